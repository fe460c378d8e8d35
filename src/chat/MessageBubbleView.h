#pragma once

#include "ChatMessage.h"
#include "ui/AnimatedValue.h"

#include <QWidget>

class PlainButton;
class TextBlock;

// One line of a transcript as a bubble: the user's on the right in a blue
// bubble, the assistant's on the left beside its avatar, in a light bubble
// whose text can be selected. The time is below the bubble. While the
// pointer is over the line a copy button beside the bubble puts the whole
// message on the clipboard.
class MessageBubbleView : public QWidget
{
    Q_OBJECT

public:
    // Room kept free on the side away from the speaker.
    static constexpr int minimumFreeWidth = 60;

    explicit MessageBubbleView(const ChatMessage &message, QWidget *parent = nullptr);

    const ChatMessage &message() const { return m_message; }
    bool isHovering() const { return m_isHovering; }

    // The bubble with the text, and the copy button, shown only while the
    // pointer is over the line (and while it fades out).
    QWidget *bubble() const { return m_bubble; }
    PlainButton *copyButton() const { return m_copyButton; }
    TextBlock *text() const { return m_text; }

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void setHovering(bool hovering);
    void showCopyButtonPresence();

    ChatMessage m_message;
    bool m_isHovering = false;
    QWidget *m_bubble;
    TextBlock *m_text;
    PlainButton *m_copyButton;
    // 0 while the copy button is gone, 1 while it is fully there.
    AnimatedValue m_copyButtonPresence;
};
