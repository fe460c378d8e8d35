#include "ChatWindowView.h"

#include "ChatInputField.h"
#include "ChatPanelView.h"
#include "ChatWindowManager.h"
#include "ConversationSidebarView.h"
#include "ScreenshotPanelView.h"
#include "store/ConversationManager.h"
#include "ui/Palette.h"
#include "ui/TransitionEffect.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

namespace {

const Motion sidebarMotion = Motion::spring(0.3, 1);
constexpr int focusDelayMs = 200;

} // namespace

ChatWindowView::ChatWindowView(ChatWindowManager &chat, ConversationManager &conversations,
    std::function<void(QWidget *)> onCloseRequest, QWidget *parent)
    : QWidget(parent)
    , m_chat(chat)
    , m_conversations(conversations)
    , m_onCloseRequest(std::move(onCloseRequest))
    , m_sidebarPresence(conversations.isSidebarExpanded() ? 1 : 0)
{
    setObjectName(QStringLiteral("chatWindow"));

    // The panes are laid out by hand (layOut): the sidebar takes room beside
    // them where the window is wide enough, and lies over them where it is
    // not, so that the window goes as narrow as the panes alone.
    m_sidebar = new ConversationSidebarView(conversations, this);
    m_screenshotPanel = new ScreenshotPanelView(chat, conversations, [this] { closeAndSave(); }, this);
    m_chatPanel = new ChatPanelView(chat, this);
    m_sidebar->raise();
    setMinimumSize(minimumSizeHint());

    connect(&m_sidebarPresence, &AnimatedValue::valueChanged, this, &ChatWindowView::layOut);
    connect(&conversations, &ConversationManager::isSidebarExpandedChanged, this,
        [this] { m_sidebarPresence.animateTo(m_conversations.isSidebarExpanded() ? 1 : 0, sidebarMotion); });
    layOut();
}

ChatWindowView::~ChatWindowView()
{
    removeKeyboardShortcuts();
}

int ChatWindowView::sidebarRoom(int sidebarShown, int windowWidth, int panesMinimum)
{
    return qBound(0, windowWidth - panesMinimum, sidebarShown);
}

QSize ChatWindowView::minimumSizeHint() const
{
    const QSize chat = m_chatPanel->minimumSizeHint().expandedTo(m_chatPanel->minimumSize());
    return QSize(ScreenshotPanelView::panelWidth + chat.width(),
        qMax(chat.height(), m_screenshotPanel->minimumSizeHint().height()));
}

QSize ChatWindowView::sizeHint() const
{
    return minimumSizeHint() + QSize(ConversationSidebarView::sidebarWidth, 0);
}

void ChatWindowView::layOut()
{
    const qreal presence = qBound(0.0, m_sidebarPresence.value(), 1.0);
    const int width = ConversationSidebarView::sidebarWidth;
    const int shown = qRound(width * presence);
    const int room = sidebarRoom(shown, this->width(), minimumSizeHint().width());
    m_screenshotPanel->setGeometry(room, 0, ScreenshotPanelView::panelWidth, height());
    const int chatLeft = room + ScreenshotPanelView::panelWidth;
    m_chatPanel->setGeometry(chatLeft, 0, qMax(0, this->width() - chatLeft), height());
    m_sidebar->setGeometry(shown - width, 0, width, height());
    m_sidebar->setVisible(shown > 0);
    // The fade draws the sidebar through a picture of it: only while it
    // moves, so that at rest it is drawn directly (an effect inside another
    // is not drawn at all).
    if (presence >= 1 || shown == 0) {
        m_sidebar->setGraphicsEffect(nullptr);
        return;
    }
    auto *fade = qobject_cast<TransitionEffect *>(m_sidebar->graphicsEffect());
    if (!fade) {
        fade = new TransitionEffect(m_sidebar);
        m_sidebar->setGraphicsEffect(fade);
    }
    fade->setLook(presence, 1);
}

void ChatWindowView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

bool ChatWindowView::closesChat(const QKeyEvent &event)
{
    if (event.key() == Qt::Key_Escape)
        return true;
    return event.key() == Qt::Key_W && (event.modifiers() & Qt::ControlModifier);
}

void ChatWindowView::closeAndSave()
{
    m_chat.closeWindow();
}

void ChatWindowView::setupKeyboardShortcuts()
{
    if (m_watchingKeys)
        return;
    qApp->installEventFilter(this);
    m_watchingKeys = true;
}

void ChatWindowView::removeKeyboardShortcuts()
{
    if (!m_watchingKeys)
        return;
    qApp->removeEventFilter(this);
    m_watchingKeys = false;
}

bool ChatWindowView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    // The keys are this window's only while it is the active one, and only
    // when no popup and no window of the capture is in front to take them.
    if (static_cast<QWidget *>(watched)->window() != this || QApplication::activeWindow() != this
        || QApplication::activePopupWidget() || m_chat.captureHoldsKeys())
        return false;
    if (!closesChat(*static_cast<QKeyEvent *>(event)))
        return false;
    closeAndSave();
    return true;
}

void ChatWindowView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    setupKeyboardShortcuts();
    QTimer::singleShot(
        focusDelayMs, this, [this] { m_chatPanel->inputField()->setFocus(Qt::OtherFocusReason); });
}

void ChatWindowView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    removeKeyboardShortcuts();
}

void ChatWindowView::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_onCloseRequest)
        m_onCloseRequest(this);
}

void ChatWindowView::paintEvent(QPaintEvent *event)
{
    // Only what is to be painted anew: each key press repaints the small
    // area under the send button, and blending the whole window's translucent
    // fill through that clip took several milliseconds every time.
    QPainter painter(this);
    const QColor fill = Palette::regularMaterial();
    for (const QRect &dirty : event->region())
        painter.fillRect(dirty, fill);
}
