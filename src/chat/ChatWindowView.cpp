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
#include <QHBoxLayout>
#include <QKeyEvent>
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
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    // The sidebar slides within a slot that widens with it.
    m_sidebarSlot = new QWidget;
    m_sidebarSlot->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    m_sidebar = new ConversationSidebarView(conversations, m_sidebarSlot);
    row->addWidget(m_sidebarSlot);
    // The sidebar takes the slot's height from its first size on, which it
    // gets before the window is first shown.
    m_sidebarSlot->installEventFilter(this);

    m_screenshotPanel = new ScreenshotPanelView(chat, conversations, [this] { closeAndSave(); });
    row->addWidget(m_screenshotPanel);
    m_chatPanel = new ChatPanelView(chat);
    row->addWidget(m_chatPanel, 1);

    connect(&m_sidebarPresence, &AnimatedValue::valueChanged, this, &ChatWindowView::layOutSidebar);
    connect(&conversations, &ConversationManager::isSidebarExpandedChanged, this,
        [this] { m_sidebarPresence.animateTo(m_conversations.isSidebarExpanded() ? 1 : 0, sidebarMotion); });
    layOutSidebar();
}

ChatWindowView::~ChatWindowView()
{
    removeKeyboardShortcuts();
}

void ChatWindowView::layOutSidebar()
{
    const qreal presence = m_sidebarPresence.value();
    const int width = ConversationSidebarView::sidebarWidth;
    const int shown = qRound(width * qBound(0.0, presence, 1.0));
    m_sidebarSlot->setFixedWidth(shown);
    m_sidebarSlot->setVisible(shown > 0);
    m_sidebar->setGeometry(shown - width, 0, width, m_sidebarSlot->height());
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
    fade->setLook(qBound(0.0, presence, 1.0), 1);
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
    if (watched == m_sidebarSlot && event->type() == QEvent::Resize) {
        layOutSidebar();
        return false;
    }
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

void ChatWindowView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Palette::regularMaterial());
}
