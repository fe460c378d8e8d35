#pragma once

#include "ChatMessage.h"
#include "ui/AnimatedValue.h"

#include <QColor>
#include <QHash>
#include <QWidget>

class SymbolButton;
class TextBlock;
class TransitionEffect;
class VerbatimText;

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
    // The copy button, made the first time the pointer comes over the line.
    SymbolButton *copyButton() const { return m_copyButton; }
    // The text, as written; a long one is shown in consecutive blocks, made
    // as they come into view.
    VerbatimText *text() const { return m_text; }
    // The first block of the text.
    TextBlock *textBlock() const;
    // The plate behind the text: clear for the user's lines.
    QColor plateColour() const;
    // Where the plate and the separator below it are drawn (the separator is
    // empty for the user's lines).
    QRect plateRect() const;
    QRect separatorRect() const;

    // Puts the whole text on the clipboard, whatever part is selected.
    void copyMessage() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void setHovering(bool hovering);
    void placeChildren();

    ChatMessage m_message;
    bool m_isHovering = false;
    QWidget *m_header;
    SymbolButton *m_copyButton = nullptr;
    TransitionEffect *m_copyTransition = nullptr;
    AnimatedValue m_copyPresence;
    VerbatimText *m_text;
    // Heights for the widths asked lately: a long transcript is laid out
    // often, and its rows change only as a long text is measured.
    mutable QHash<int, int> m_heights;
};
