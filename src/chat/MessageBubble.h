#pragma once

#include "ChatMessage.h"

#include <QColor>
#include <QWidget>

class MarkdownText;
class PlainButton;

// One message in the bubble style, its text drawn from its markup: the
// user's on the right, filled with the caller's colour, at most 300 wide,
// with the time below; the assistant's on the left beside an avatar tinted
// with that colour, at most 350 wide, with the time and a "Copy" button
// below that puts the raw text, marks and all, on the clipboard.
class MessageBubble : public QWidget
{
    Q_OBJECT

public:
    static constexpr int userMaximumWidth = 300;
    static constexpr int assistantMaximumWidth = 350;
    // Where the assistant's footer starts: past the avatar and its spacing.
    static constexpr int footerIndent = 38;

    MessageBubble(const ChatMessage &message, const QColor &primaryColor, QWidget *parent = nullptr);

    const ChatMessage &message() const { return m_message; }
    QColor primaryColor() const { return m_primaryColor; }
    QWidget *bubble() const { return m_bubble; }
    MarkdownText *text() const { return m_text; }
    QWidget *time() const { return m_time; }
    // The assistant's "Copy" button; the user's bubble has none.
    PlainButton *copyButton() const { return m_copyButton; }

private:
    ChatMessage m_message;
    QColor m_primaryColor;
    QWidget *m_bubble;
    MarkdownText *m_text;
    QWidget *m_time;
    PlainButton *m_copyButton = nullptr;
};
