#pragma once

#include "ChatMessage.h"

#include <QColor>
#include <QWidget>

class PlainButton;
class TextBlock;

// One message of a transcript as a full-width row: a header with the
// sender's symbol and name ("You" or "AI"), the time and a "Copy" button
// that puts the whole message on the clipboard, the selectable text below,
// and a hairline under the row. The user's rows are tinted with the accent.
class ModernMessageRow : public QWidget
{
    Q_OBJECT

public:
    ModernMessageRow(const ChatMessage &message, const QColor &textPrimary, const QColor &textSecondary,
        const QColor &accentBeige, QWidget *parent = nullptr);

    // The hairline under a row, inset 32 on either side; the loading row has it too.
    static QWidget *createDivider();

    const ChatMessage &message() const { return m_message; }
    // The padded column of header and text, on the row's tint.
    QWidget *column() const { return m_column; }
    PlainButton *copyButton() const { return m_copyButton; }
    TextBlock *text() const { return m_text; }

private:
    ChatMessage m_message;
    QWidget *m_column;
    PlainButton *m_copyButton;
    TextBlock *m_text;
};
