#pragma once

#include "ChatMessage.h"

#include <QList>
#include <QWidget>

class EmptyStateView;
class QVBoxLayout;
class TranscriptMessageView;
class TranscriptTypingView;

// The transcript's rows, top to bottom: a line per message, or the empty
// state when there is none, and the typing line below them while an answer
// is awaited. Lines added at the end are appended; rows of messages that
// stay are kept as they are.
class TranscriptListView : public QWidget
{
    Q_OBJECT

public:
    explicit TranscriptListView(QWidget *parent = nullptr);

    void setMessages(const QList<ChatMessage> &messages);
    void setProcessing(bool processing);

    const QList<TranscriptMessageView *> &rows() const { return m_rows; }
    EmptyStateView *emptyState() const { return m_emptyState; }
    TranscriptTypingView *typingRow() const { return m_typingRow; }

private:
    void removeRows(qsizetype from);

    QVBoxLayout *m_stack;
    QList<TranscriptMessageView *> m_rows;
    EmptyStateView *m_emptyState = nullptr;
    TranscriptTypingView *m_typingRow = nullptr;
};
