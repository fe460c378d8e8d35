#pragma once

#include "OverlayGeometry.h"
#include "ai/AIResponse.h"
#include "ai/QuickAction.h"
#include "ui/AnimatedValue.h"

#include <QImage>
#include <QRectF>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

class AIManager;
class ChatWindowManager;
class CurrentConversation;
class OverlayTextBox;
class QuickActionRow;
class QWindow;

// The floating analysis overlay that covers the main screen after a capture:
// the captured image where it was selected, the question and answer box and
// the quick actions. It fills the result window, which paints the frozen
// screen behind it; the overlay dims that and draws its contents.
//
// It shows the conversation it is handed, which its questions continue, and
// watches the AI client that holds its answers: a running analysis hides the
// quick actions, disables the fields and runs a colour band over the image;
// a new answer grows the box and, a moment later, brings in the follow-up
// field with Copy and Chat. Every way of dismissing it (Escape, a click on the
// backdrop, Chat, another window taking the keyboard) calls onClose; the
// owner then takes it down, and must do so with deleteLater, not at once.
//
// Another window that takes the keyboard while the overlay shows (one of
// ours, such as Settings opened from the tray, or another program's) would
// stay hidden under the frozen picture with the keys going to it unseen, so
// the overlay closes then; a popup (a menu, the tray panel) hands the
// keyboard back and leaves it open.
class CustomOverlayView : public QWidget
{
    Q_OBJECT

public:
    // selectedRect is in the overlay's own space (logical pixels, origin at
    // the main screen's top-left corner); the image is absent when the
    // capture failed, and is the conversation's screenshot otherwise. The
    // overlay never calls onQuickAction: its own row runs quick actions
    // through the conversation. The conversation and the chat window's
    // manager must outlive the view.
    CustomOverlayView(CurrentConversation &conversation, ChatWindowManager &chatWindowManager,
        const QRectF &selectedRect,
        const std::optional<QImage> &screenshotImage, std::function<void(QuickAction)> onQuickAction,
        std::function<void()> onClose, QWidget *parent = nullptr);

    QRectF selectedRect() const { return m_selectedRect; }
    const std::optional<QImage> &screenshotImage() const { return m_screenshotImage; }

    // The view's state.
    QString userQuestion() const;
    std::optional<QuickAction> hoveredAction() const { return m_hoveredAction; }
    bool isTextFieldFocused() const;
    bool showActionButtons() const { return m_showActionButtons; }
    qreal textBoxHeight() const { return m_textBoxHeight; }
    qreal responseHeight() const { return m_responseHeight; }
    bool showResponseButtons() const { return m_showResponseButtons; }
    std::optional<QString> hoveredResponseButton() const { return m_hoveredResponseButton; }
    QString followUpQuestion() const;
    bool showFollowUpField() const { return m_showFollowUpField; }
    // The phase (0 to 1) of the colour band over the image, as drawn now.
    qreal gradientOffset() const { return m_gradientOffset.value(); }
    bool isFollowUpFocused() const;

    // The layout, in the overlay's own space.
    QRectF screenBounds() const;
    bool isFullScreenOrLargeSelection() const;
    // Where the control group's centre belongs for the current box height.
    QPointF controlsPosition() const;
    // The frame the image (or its placeholder) is drawn in; empty in the
    // large-selection layout, which draws no image.
    QRectF screenshotFrame() const;
    // Where the text box is drawn now.
    QRectF textBoxFrame() const;

    // The answer area's height for a text: its measured height rounded up
    // plus 40, held between 80 and 250; measured for a box of full width
    // unless another is given.
    static qreal calculateResponseHeight(
        const QString &text, qreal boxWidth = OverlayGeometry::answeredTextBoxWidth);

    // Sends the follow-up field's text about the image; the field keeps it
    // until the answer is in. Does nothing with an empty field or no image.
    void processFollowUp();
    // Hands the image and every answer about it to the chat window, then
    // closes the overlay through onChatHandOver (onClose when none is set).
    // Does nothing without an image.
    void openChatWindow(const AIResponse &response);
    // How the overlay goes once the chat window has taken the conversation
    // over: unlike other closes, that one keeps the exchange going.
    void setOnChatHandOver(std::function<void()> onChatHandOver);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // The text box and its place: what the box's spring moves.
    struct GroupLook
    {
        QPointF centre;
        QSizeF boxSize;
        qreal cornerRadius = 0;
        qreal responseHeight = 0;
    };

    void processQuestion();
    void handleAction(QuickAction action);
    void copyAnswer();
    void requestClose();
    // Whether the point shows the backdrop: not the image, the box or the
    // quick actions.
    bool isBackdropAt(const QPointF &point) const;
    void watchKeyboardFocus(bool watch);
    void focusWindowChanged(QWindow *focusWindow);

    void processingChanged(bool processing);
    void lastResponseChanged(const AIResponse &response);
    void resetForAppear();
    void setTextBoxHeight(
        qreal height, qreal responseHeight, qreal answerBoxWidth = OverlayGeometry::answeredTextBoxWidth);
    void showFollowUpAfterAnswer();

    OverlayGeometry::ControlsPlace controlsPlace() const;
    qreal textBoxWidth() const;
    // What the group holds to the right of the box at rest.
    qreal groupWidthBesideBox() const;
    GroupLook targetLook() const;
    GroupLook currentLook() const;
    void layOutChildren();
    void paintControlShadows(QPainter &painter) const;

    CurrentConversation &m_conversation;
    AIManager &m_aiManager;
    ChatWindowManager &m_chatWindowManager;
    QRectF m_selectedRect;
    std::optional<QImage> m_screenshotImage;
    std::function<void(QuickAction)> m_onQuickAction;
    std::function<void()> m_onClose;
    std::function<void()> m_onChatHandOver;

    std::optional<QuickAction> m_hoveredAction;
    bool m_showActionButtons = true;
    qreal m_textBoxHeight;
    qreal m_responseHeight = 0;
    // The answered box's width: the full width unless that would have the
    // box cover the image.
    qreal m_answerBoxWidth = OverlayGeometry::answeredTextBoxWidth;
    bool m_showResponseButtons = false;
    std::optional<QString> m_hoveredResponseButton;
    bool m_showFollowUpField = false;

    // What was last seen of the AI client, to react to real changes only.
    bool m_seenProcessing;
    std::optional<AIResponse> m_seenLastResponse;

    GroupLook m_boxFrom;
    AnimatedValue m_boxMotion { 1 };
    AnimatedValue m_rowPresence { 1 };
    AnimatedValue m_gradientOffset { 0 };
    AnimatedValue m_workingPresence { 0 };

    OverlayTextBox *m_textBox;
    QuickActionRow *m_actionRow;
    QRect m_groupPaintArea;
    bool m_watchingKeys = false;
    QMetaObject::Connection m_focusWatch;
    QTimer m_keyboardGone;
    // Whether the overlay's window has had the keyboard since it showed.
    bool m_hadKeyboard = false;
    // A press on the backdrop that may still become a click: it closes the
    // overlay only if released on the backdrop before moving the platform's
    // drag distance.
    bool m_backdropPressed = false;
    QPointF m_backdropPressLocation;
};
