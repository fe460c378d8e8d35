#include "TranscriptListView.h"

#include "EmptyStateView.h"
#include "TranscriptMessageView.h"
#include "TranscriptTypingView.h"

#include <QVBoxLayout>

TranscriptListView::TranscriptListView(QWidget *parent)
    : QWidget(parent)
{
    m_stack = new QVBoxLayout(this);
    m_stack->setContentsMargins(0, 16, 0, 16);
    m_stack->setSpacing(0);
    m_stack->addStretch(1);
    setMessages({});
}

void TranscriptListView::setMessages(const QList<ChatMessage> &messages)
{
    // Rows whose messages lead the new list stay; the rest is replaced.
    qsizetype kept = 0;
    while (kept < m_rows.size() && kept < messages.size() && m_rows.at(kept)->message() == messages.at(kept))
        ++kept;
    removeRows(kept);

    if (messages.isEmpty() && !m_emptyState) {
        m_emptyState = new EmptyStateView;
        m_stack->insertWidget(0, m_emptyState);
    } else if (!messages.isEmpty() && m_emptyState) {
        m_emptyState->hide();
        m_stack->removeWidget(m_emptyState);
        m_emptyState->deleteLater();
        m_emptyState = nullptr;
    }

    for (qsizetype i = kept; i < messages.size(); ++i) {
        auto *row = new TranscriptMessageView(messages.at(i));
        m_stack->insertWidget(int(m_rows.size()), row);
        m_rows.append(row);
    }
}

void TranscriptListView::removeRows(qsizetype from)
{
    while (m_rows.size() > from) {
        TranscriptMessageView *row = m_rows.takeLast();
        // Its own copy button may be what changed the transcript.
        row->hide();
        m_stack->removeWidget(row);
        row->deleteLater();
    }
}

void TranscriptListView::setProcessing(bool processing)
{
    if (processing == (m_typingRow != nullptr))
        return;
    if (processing) {
        m_typingRow = new TranscriptTypingView;
        m_typingRow->setObjectName(QStringLiteral("typingRow"));
        // Below the last row and the empty state, above the closing stretch.
        m_stack->insertWidget(m_stack->count() - 1, m_typingRow);
        return;
    }
    m_typingRow->hide();
    m_stack->removeWidget(m_typingRow);
    m_typingRow->deleteLater();
    m_typingRow = nullptr;
}
