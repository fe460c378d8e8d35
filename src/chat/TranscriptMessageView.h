#pragma once

#include "ChatMessage.h"
#include "ui/AnimatedValue.h"

#include <QWidget>

class SymbolButton;
class TextBlock;
class TransitionEffect;

// One line of the transcript across the panel's width: "You" or
// "Assistant" with the time, the text as it was written (selectable), and a
// copy button while the pointer is over the line. The assistant's text sits
// on a faint grey plate and a thin line follows it.
class TranscriptMessageView : public QWidget
{
    Q_OBJECT

public:
    explicit TranscriptMessageView(const ChatMessage &message, QWidget *parent = nullptr);

    const ChatMessage &message() const { return m_message; }
    bool isHovering() const { return m_isHovering; }
    SymbolButton *copyButton() const { return m_copyButton; }
    TextBlock *textBlock() const { return m_text; }

    // Puts the whole text on the clipboard, whatever part is selected.
    void copyMessage() const;

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void setHovering(bool hovering);

    ChatMessage m_message;
    bool m_isHovering = false;
    SymbolButton *m_copyButton;
    TransitionEffect *m_copyTransition;
    AnimatedValue m_copyPresence;
    TextBlock *m_text;
};
