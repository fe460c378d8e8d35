#pragma once

#include "ChatMessage.h"

#include <QList>
#include <QTimer>
#include <QWidget>

class EmptyStateView;
class QVBoxLayout;
class TranscriptMessageView;
class TranscriptTypingView;

// The transcript's rows, top to bottom: a line per message, or the empty
// state when there is none, and the typing line below them while an answer
// is awaited. Rows of messages that stay are kept as they are; new ones are
// added at the end. A long transcript is made a part at a time: the first
// rows at once, the rest as the event loop comes back, so that it neither
// delays the window nor holds up typing.
class TranscriptListView : public QWidget
{
    Q_OBJECT

public:
    explicit TranscriptListView(QWidget *parent = nullptr);

    void setMessages(const QList<ChatMessage> &messages);
    void setProcessing(bool processing);

    // The rows made so far, in order.
    const QList<TranscriptMessageView *> &rows() const { return m_rows; }
    bool hasAllRows() const { return m_rows.size() == m_messages.size(); }
    EmptyStateView *emptyState() const { return m_emptyState; }
    TranscriptTypingView *typingRow() const { return m_typingRow; }

private:
    void removeRows(qsizetype from);
    void addRows(qsizetype count);

    QVBoxLayout *m_stack;
    QList<ChatMessage> m_messages;
    QList<TranscriptMessageView *> m_rows;
    EmptyStateView *m_emptyState = nullptr;
    TranscriptTypingView *m_typingRow = nullptr;
    QTimer m_rowMaker;
};
