#include "CustomOverlayView.h"

#include "OverlayGeometry.h"
#include "OverlayTextBox.h"
#include "QuickActionRow.h"
#include "ScreenshotLayer.h"
#include "SpotlightActionButton.h"
#include "ai/AIManager.h"
#include "chat/ChatWindowManager.h"
#include "store/CurrentConversation.h"
#include "ui/Palette.h"
#include "ui/SoftShadow.h"
#include "ui/TransitionEffect.h"

#include <QApplication>
#include <QClipboard>
#include <QCoro/QCoroTask>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QStyleHints>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace {

// The gap between the text box and the quick-action row.
constexpr qreal groupSpacing = 12;
// How long the keyboard may be away from every window of ours before the
// overlay takes it that another program has it.
constexpr int keyboardGoneDelayMs = 300;
// How far outside the control group its shadows reach.
constexpr QMargins shadowReach(24, 24, 24, 32);

// A press and release this close together are a click; further apart, the
// pointer was dragged (to select text in the answer, say) and let go.
bool withinDragDistance(const QPointF &press, const QPointF &release)
{
    return (release - press).manhattanLength() < QGuiApplication::styleHints()->startDragDistance();
}

template<typename T> T mix(const T &from, const T &to, qreal t)
{
    return from + (to - from) * t;
}

} // namespace

CustomOverlayView::CustomOverlayView(CurrentConversation &conversation, ChatWindowManager &chatWindowManager,
    const QRectF &selectedRect, const std::optional<QImage> &screenshotImage,
    std::function<void(QuickAction)> onQuickAction, std::function<void()> onClose, QWidget *parent)
    : QWidget(parent)
    , m_conversation(conversation)
    , m_aiManager(conversation.aiManager())
    , m_chatWindowManager(chatWindowManager)
    , m_selectedRect(selectedRect)
    , m_screenshotImage(screenshotImage)
    , m_onQuickAction(std::move(onQuickAction))
    , m_onClose(std::move(onClose))
    , m_textBoxHeight(OverlayGeometry::collapsedTextBoxHeight)
    , m_seenProcessing(m_aiManager.isProcessing())
    , m_seenLastResponse(m_aiManager.lastResponse())
{
    setFocusPolicy(Qt::NoFocus);
    AIManager &ai = m_aiManager;

    m_textBox = new OverlayTextBox(this);
    m_textBox->setObjectName(QStringLiteral("textBox"));
    m_textBox->setAnswer(ai.lastResponse());
    m_textBox->setProcessing(ai.isProcessing());
    connect(m_textBox, &OverlayTextBox::questionSubmitted, this, &CustomOverlayView::processQuestion);
    connect(m_textBox, &OverlayTextBox::followUpSubmitted, this, &CustomOverlayView::processFollowUp);
    connect(m_textBox, &OverlayTextBox::copyTapped, this, &CustomOverlayView::copyAnswer);
    connect(m_textBox, &OverlayTextBox::chatTapped, this, [this] {
        if (const std::optional<AIResponse> answer = m_aiManager.lastResponse())
            openChatWindow(*answer);
    });
    connect(
        m_textBox, &OverlayTextBox::responseButtonHovered, this, [this](const QString &key, bool hovering) {
            // Leaving either button clears the key, whichever button set it.
            m_hoveredResponseButton = hovering ? std::optional(key) : std::nullopt;
            m_textBox->setHoveredResponseButton(m_hoveredResponseButton);
        });

    m_actionRow = new QuickActionRow(this);
    m_actionRow->setObjectName(QStringLiteral("quickActionRow"));
    m_actionRow->setEnabled(!ai.isProcessing());
    auto *rowTransition = new TransitionEffect(m_actionRow);
    m_actionRow->setGraphicsEffect(rowTransition);
    m_actionRow->installEventFilter(this); // its width follows the hovered button
    connect(m_actionRow, &QuickActionRow::actionTapped, this, &CustomOverlayView::handleAction);
    connect(m_actionRow, &QuickActionRow::actionHovered, this, [this](QuickAction action, bool hovering) {
        m_hoveredAction = hovering ? std::optional(action) : std::nullopt;
        m_actionRow->setHoveredAction(m_hoveredAction);
    });

    m_keyboardGone.setSingleShot(true);
    m_keyboardGone.setInterval(keyboardGoneDelayMs);
    connect(&m_keyboardGone, &QTimer::timeout, this, &CustomOverlayView::requestClose);

    connect(&m_boxMotion, &AnimatedValue::valueChanged, this, &CustomOverlayView::layOutChildren);
    connect(&m_rowPresence, &AnimatedValue::valueChanged, this, [this, rowTransition] {
        const qreal presence = m_rowPresence.value();
        rowTransition->setLook(presence, 0.8 + 0.2 * presence);
        m_actionRow->setVisible(m_showActionButtons || presence > 0);
        layOutChildren();
    });
    const auto repaintScreenshot
        = [this] { update(screenshotFrame().toAlignedRect().adjusted(-2, -2, 2, 2)); };
    connect(&m_gradientOffset, &AnimatedValue::valueChanged, this, repaintScreenshot);
    connect(&m_workingPresence, &AnimatedValue::valueChanged, this, repaintScreenshot);

    // The client writes its properties on every change, equal values too;
    // the overlay reacts to real changes only.
    connect(&ai, &AIManager::isProcessingChanged, this, [this] {
        const bool processing = m_aiManager.isProcessing();
        if (processing == m_seenProcessing)
            return;
        m_seenProcessing = processing;
        processingChanged(processing);
    });
    connect(&ai, &AIManager::lastResponseChanged, this, [this] {
        const std::optional<AIResponse> &response = m_aiManager.lastResponse();
        // The box shows whatever answer there is, or the question field.
        m_textBox->setAnswer(response);
        if (response == m_seenLastResponse)
            return;
        m_seenLastResponse = response;
        if (response)
            lastResponseChanged(*response);
    });

    layOutChildren();
}

QString CustomOverlayView::userQuestion() const
{
    return m_textBox->questionField()->text();
}

QString CustomOverlayView::followUpQuestion() const
{
    return m_textBox->followUpField()->text();
}

bool CustomOverlayView::isTextFieldFocused() const
{
    return m_textBox->questionField()->hasFocus();
}

bool CustomOverlayView::isFollowUpFocused() const
{
    return m_textBox->followUpField()->hasFocus();
}

QRectF CustomOverlayView::screenBounds() const
{
    return OverlayGeometry::screenBounds(QGuiApplication::primaryScreen());
}

bool CustomOverlayView::isFullScreenOrLargeSelection() const
{
    return OverlayGeometry::isFullScreenOrLargeSelection(m_selectedRect, screenBounds());
}

QPointF CustomOverlayView::controlsPosition() const
{
    return controlsPlace().position;
}

OverlayGeometry::ControlsPlace CustomOverlayView::controlsPlace() const
{
    // Beside the selection the group is placed with its real width at rest:
    // the box and, while it is there, the row of quick actions.
    return OverlayGeometry::controlsPlace(m_selectedRect, screenBounds(), m_textBoxHeight,
        textBoxWidth() + groupWidthBesideBox(), screenshotFrame());
}

qreal CustomOverlayView::textBoxWidth() const
{
    return OverlayGeometry::textBoxWidth(m_textBoxHeight, m_answerBoxWidth);
}

qreal CustomOverlayView::groupWidthBesideBox() const
{
    return m_showActionButtons ? groupSpacing + QuickActionRow::restingWidth() : 0;
}

QRectF CustomOverlayView::screenshotFrame() const
{
    if (isFullScreenOrLargeSelection())
        return QRectF();
    const QSizeF content
        = m_screenshotImage ? m_screenshotImage->deviceIndependentSize() : m_selectedRect.size();
    QRectF frame(QPointF(), OverlayGeometry::screenshotFrameSize(content));
    frame.moveCenter(m_selectedRect.center());
    return frame;
}

QRectF CustomOverlayView::textBoxFrame() const
{
    return m_textBox->geometry();
}

qreal CustomOverlayView::calculateResponseHeight(const QString &text, qreal boxWidth)
{
    // Past 210 measured pixels the result is 250 whatever the rest of the
    // text holds, so a long answer is measured no further.
    return OverlayGeometry::responseHeightForTextHeight(OverlayGeometry::measuredAnswerHeight(text,
        OverlayGeometry::maximumResponseHeight - OverlayGeometry::responseHeightPadding,
        OverlayGeometry::answerMeasureWidthFor(boxWidth)));
}

// Questions and answers

void CustomOverlayView::processQuestion()
{
    // Sent as typed: a question of spaces goes out unchanged.
    const QString question = userQuestion();
    if (question.isEmpty() || !m_screenshotImage)
        return;
    // The answer reaches the box through the client's lastResponse; the
    // field empties once it is in.
    QCoro::connect(m_conversation.ask(question), this, [this] { m_textBox->questionField()->clear(); });
}

void CustomOverlayView::handleAction(QuickAction action)
{
    if (!m_screenshotImage)
        return;
    // Nothing waits for the record: the answer shows through lastResponse.
    QCoro::connect(m_conversation.runQuickAction(action), this, [] {});
}

void CustomOverlayView::processFollowUp()
{
    const QString question = followUpQuestion();
    if (question.isEmpty() || !m_screenshotImage)
        return;
    QCoro::connect(
        m_conversation.askFollowUp(question), this, [this] { m_textBox->followUpField()->clear(); });
}

void CustomOverlayView::copyAnswer()
{
    // The answer as the service wrote it, markup included: what the box shows.
    if (const std::optional<AIResponse> &answer = m_aiManager.lastResponse())
        QGuiApplication::clipboard()->setText(answer->content);
}

void CustomOverlayView::openChatWindow(const AIResponse &)
{
    if (!m_screenshotImage)
        return;
    // The chat window takes the keyboard as it opens: that is the hand-over,
    // not another window coming in over the overlay.
    watchKeyboardFocus(false);
    // The whole exchange about this image goes over, not only the answer
    // whose button was pressed.
    const QList<AIResponse> responses = m_conversation.answers();
    ChatWindowManager &chat = m_chatWindowManager;
    chat.setCurrentScreenshot(*m_screenshotImage);
    chat.openChatWindowWithHistory(*m_screenshotImage, responses);
    if (!m_onChatHandOver) {
        requestClose();
        return;
    }
    // The owner may take the overlay down from inside the call.
    const std::function<void()> onChatHandOver = m_onChatHandOver;
    onChatHandOver();
}

void CustomOverlayView::setOnChatHandOver(std::function<void()> onChatHandOver)
{
    m_onChatHandOver = std::move(onChatHandOver);
}

void CustomOverlayView::requestClose()
{
    // The owner may take the overlay down from inside the call; nothing of
    // this object is touched after it.
    const std::function<void()> onClose = m_onClose;
    if (onClose)
        onClose();
}

// Reactions to the AI client

void CustomOverlayView::processingChanged(bool processing)
{
    m_textBox->setProcessing(processing);
    m_actionRow->setEnabled(!processing);
    if (processing) {
        // The quick actions stay away until the overlay is shown anew.
        m_showActionButtons = false;
        m_rowPresence.animateTo(0, Motion::easeOut(0.5));
        m_gradientOffset.animateTo(1, Motion::repeatingLinear(4));
        m_workingPresence.animateTo(1, Motion::easeInOut(0.35));
    } else {
        m_gradientOffset.animateTo(0, Motion::easeOut(0.3));
        m_workingPresence.animateTo(0, Motion::easeInOut(0.35));
    }
}

void CustomOverlayView::lastResponseChanged(const AIResponse &response)
{
    // The box would grow over the image where there is no room for it beside
    // the image: it stands beside it narrower, or above or below it lower,
    // where it can; its answer scrolls.
    const QRectF screen = screenBounds();
    const QRectF image = screenshotFrame();
    const qreal extraWidth = groupWidthBesideBox();
    qreal height = calculateResponseHeight(response.content);
    const qreal width = isFullScreenOrLargeSelection()
        ? OverlayGeometry::answeredTextBoxWidth
        : OverlayGeometry::answerBoxWidth(m_selectedRect, image, screen, height, extraWidth);
    if (width != OverlayGeometry::answeredTextBoxWidth)
        height = calculateResponseHeight(response.content, width);
    if (!isFullScreenOrLargeSelection())
        height
            = OverlayGeometry::fittedResponseHeight(m_selectedRect, image, screen, width, height, extraWidth);
    setTextBoxHeight(height + OverlayGeometry::answerBoxChrome, height, width);
    QTimer::singleShot(300, this, &CustomOverlayView::showFollowUpAfterAnswer);
}

void CustomOverlayView::showFollowUpAfterAnswer()
{
    m_showResponseButtons = true;
    if (!m_showFollowUpField) {
        m_showFollowUpField = true;
        m_textBox->setFollowUpFieldShown(true, true);
    }
}

void CustomOverlayView::setTextBoxHeight(qreal height, qreal responseHeight, qreal answerBoxWidth)
{
    // Box, corner, answer area and place move together along one spring.
    m_boxFrom = currentLook();
    m_textBoxHeight = height;
    m_responseHeight = responseHeight;
    m_answerBoxWidth = answerBoxWidth;
    m_boxMotion.setValue(0);
    m_boxMotion.animateTo(1, Motion::spring(0.8, 0.7));
}

// Appearing and disappearing

void CustomOverlayView::resetForAppear()
{
    m_showActionButtons = true;
    m_rowPresence.setValue(1);
    if (m_textBoxHeight != OverlayGeometry::collapsedTextBoxHeight || m_responseHeight != 0)
        setTextBoxHeight(OverlayGeometry::collapsedTextBoxHeight, 0);
    m_showResponseButtons = false;
    m_showFollowUpField = false;
    m_textBox->setFollowUpFieldShown(false, false);
    m_hoveredResponseButton.reset();
    m_textBox->setHoveredResponseButton(std::nullopt);
    m_textBox->questionField()->clear();
    m_textBox->followUpField()->clear();
    m_gradientOffset.setValue(0);
}

void CustomOverlayView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    resetForAppear();
    // Hold the keyboard on the view itself until the question field takes it
    // a moment later; otherwise activating the window hands it to the first
    // field at once.
    setFocus(Qt::OtherFocusReason);
    QTimer::singleShot(100, this, [this] { m_textBox->questionField()->setFocus(Qt::OtherFocusReason); });
    // Escape closes the overlay from wherever it is pressed while the
    // overlay shows, before any field sees it.
    if (!m_watchingKeys) {
        qApp->installEventFilter(this);
        m_watchingKeys = true;
    }
    m_hadKeyboard = false;
    watchKeyboardFocus(true);
}

void CustomOverlayView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    if (m_watchingKeys) {
        qApp->removeEventFilter(this);
        m_watchingKeys = false;
    }
    watchKeyboardFocus(false);
}

void CustomOverlayView::watchKeyboardFocus(bool watch)
{
    disconnect(m_focusWatch);
    m_keyboardGone.stop();
    if (!watch)
        return;
    m_focusWatch
        = connect(qApp, &QGuiApplication::focusWindowChanged, this, &CustomOverlayView::focusWindowChanged);
    focusWindowChanged(QGuiApplication::focusWindow());
}

void CustomOverlayView::focusWindowChanged(QWindow *focusWindow)
{
    m_keyboardGone.stop();
    const QWidget *own = window();
    if (focusWindow && focusWindow == own->windowHandle()) {
        m_hadKeyboard = true;
        return;
    }
    // Until the overlay's window has had the keyboard, nothing has been
    // taken from it: the selection window may still be handing it over.
    if (!m_hadKeyboard)
        return;
    if (focusWindow && (focusWindow->type() == Qt::Popup || focusWindow->type() == Qt::ToolTip))
        return;
    // None of ours has it: another program does, unless the keyboard comes
    // straight back (a popup that closed may leave it nowhere for a moment).
    if (!focusWindow) {
        m_keyboardGone.start();
        return;
    }
    // Another window of ours.
    requestClose();
}

bool CustomOverlayView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_actionRow && event->type() == QEvent::Resize) {
        layOutChildren();
        return false;
    }
    if (m_watchingKeys && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && !QApplication::activePopupWidget()) {
        requestClose();
        return true;
    }
    return false;
}

// Layout and drawing

CustomOverlayView::GroupLook CustomOverlayView::targetLook() const
{
    const QRectF screen = screenBounds();
    const QPointF centre = isFullScreenOrLargeSelection() ? screen.center() : controlsPosition();
    return GroupLook { centre, QSizeF(textBoxWidth(), m_textBoxHeight),
        OverlayGeometry::textBoxCornerRadius(m_textBoxHeight), m_responseHeight };
}

CustomOverlayView::GroupLook CustomOverlayView::currentLook() const
{
    const GroupLook to = targetLook();
    if (!m_boxMotion.isMoving())
        return to;
    const qreal t = m_boxMotion.value();
    return GroupLook { mix(m_boxFrom.centre, to.centre, t), mix(m_boxFrom.boxSize, to.boxSize, t),
        mix(m_boxFrom.cornerRadius, to.cornerRadius, t),
        mix(m_boxFrom.responseHeight, to.responseHeight, t) };
}

void CustomOverlayView::layOutChildren()
{
    const GroupLook look = currentLook();
    m_textBox->setCornerRadius(look.cornerRadius);
    m_textBox->setResponseHeight(look.responseHeight);

    // The group is the box and, while it is there, the row of quick actions
    // at rest; room is kept to its right for a button that widens.
    const qreal presence = m_rowPresence.value();
    const QSizeF group(look.boxSize.width() + presence * (groupSpacing + QuickActionRow::restingWidth()),
        qMax(look.boxSize.height(), presence * SpotlightActionButton::pillHeight));
    // Above or below the selection the group keeps room to its right for a
    // widening button; beside it, that room would push it over the selection.
    const QRectF screen = screenBounds();
    const OverlayGeometry::ControlsPlacement placement = isFullScreenOrLargeSelection()
        ? OverlayGeometry::ControlsPlacement::inside
        : controlsPlace().placement;
    const bool beside = placement == OverlayGeometry::ControlsPlacement::right
        || placement == OverlayGeometry::ControlsPlacement::left;
    const qreal widening = beside
        ? 0
        : presence * (SpotlightActionButton::pillWidth(1) - SpotlightActionButton::pillWidth(0));
    const QRectF frame = OverlayGeometry::controlGroupFrame(look.centre, group, widening, screen);
    const QRectF box(QPointF(frame.left(), frame.center().y() - look.boxSize.height() / 2), look.boxSize);
    m_textBox->setGeometry(box.toRect());

    // A widening button never takes the row off the screen or, left of the
    // selection, over it.
    const QRectF restingRow(box.right() + groupSpacing,
        frame.center().y() - SpotlightActionButton::pillHeight / 2.0, QuickActionRow::restingWidth(),
        SpotlightActionButton::pillHeight);
    const qreal rightLimit = placement == OverlayGeometry::ControlsPlacement::left
        ? m_selectedRect.left() - OverlayGeometry::spacing
        : screen.right() - OverlayGeometry::screenInset;
    const QRectF row = OverlayGeometry::quickActionRowFrame(restingRow, m_actionRow->sizeHint().width(), rightLimit);
    m_actionRow->move(qRound(row.left()), qRound(row.top()));

    const QRect paintArea = (m_textBox->geometry() | m_actionRow->geometry()).marginsAdded(shadowReach);
    update(m_groupPaintArea | paintArea);
    m_groupPaintArea = paintArea;
}

void CustomOverlayView::resizeEvent(QResizeEvent *event)
{
    layOutChildren();
    QWidget::resizeEvent(event);
}

void CustomOverlayView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Palette::withOpacity(Qt::black, 0.4));
    const QRectF frame = screenshotFrame();
    if (!frame.isEmpty()) {
        ScreenshotLayer::paint(painter, frame, m_screenshotImage);
        ScreenshotLayer::paintWorkingLayer(
            painter, frame, m_gradientOffset.value(), m_workingPresence.value());
    }
    paintControlShadows(painter);
}

void CustomOverlayView::paintControlShadows(QPainter &painter) const
{
    // The group's own shadow under the box and each quick-action pill, then
    // the box's two shadows.
    const QRectF box = m_textBox->geometry();
    const qreal radius = m_textBox->cornerRadius();
    SoftShadow::paintRoundedRect(
        painter, box, radius, Palette::withOpacity(Qt::black, 0.15), 12, QPointF(0, 6));
    if (m_actionRow->isVisible()) {
        const qreal presence = m_rowPresence.value();
        const QPointF centre = QRectF(m_actionRow->geometry()).center();
        const qreal scale = 0.8 + 0.2 * presence;
        for (const SpotlightActionButton *button : m_actionRow->buttons()) {
            const QRectF pill = QRectF(button->geometry()).translated(m_actionRow->pos());
            const QRectF shown(centre + (pill.topLeft() - centre) * scale, pill.size() * scale);
            SoftShadow::paintRoundedRect(painter, shown, shown.height() / 2,
                Palette::withOpacity(Qt::black, 0.15 * presence), 12, QPointF(0, 6));
        }
    }
    SoftShadow::paintRoundedRect(
        painter, box, radius, Palette::withOpacity(Qt::black, 0.1), 20, QPointF(0, 8));
    SoftShadow::paintRoundedRect(
        painter, box, radius, Palette::withOpacity(Qt::black, 0.05), 1, QPointF(0, 1));
}

// The backdrop

bool CustomOverlayView::isBackdropAt(const QPointF &point) const
{
    // The image, the box and the pills are solid; the rest, the gaps between
    // the pills included, is backdrop.
    if (!rect().contains(point.toPoint()) || screenshotFrame().contains(point)
        || QRectF(m_textBox->geometry()).contains(point))
        return false;
    if (!m_actionRow->isVisible())
        return true;
    const QList<SpotlightActionButton *> pills = m_actionRow->buttons();
    return std::none_of(pills.cbegin(), pills.cend(), [this, &point](const SpotlightActionButton *pill) {
        return QRectF(pill->geometry().translated(m_actionRow->pos())).contains(point);
    });
}

void CustomOverlayView::mousePressEvent(QMouseEvent *event)
{
    m_backdropPressed = event->button() == Qt::LeftButton && isBackdropAt(event->position());
    m_backdropPressLocation = event->position();
    event->accept();
}

void CustomOverlayView::mouseMoveEvent(QMouseEvent *event)
{
    // Once dragged, the press stays a drag even if the pointer comes back.
    if (m_backdropPressed && !withinDragDistance(m_backdropPressLocation, event->position()))
        m_backdropPressed = false;
    event->accept();
}

void CustomOverlayView::mouseReleaseEvent(QMouseEvent *event)
{
    const bool clicked = m_backdropPressed && event->button() == Qt::LeftButton
        && withinDragDistance(m_backdropPressLocation, event->position()) && isBackdropAt(event->position());
    m_backdropPressed = false;
    event->accept();
    if (clicked)
        requestClose();
}
