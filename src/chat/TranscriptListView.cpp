#include "TranscriptListView.h"

#include "EmptyStateView.h"
#include "TranscriptMessageView.h"
#include "TranscriptTypingView.h"

#include <QVBoxLayout>

namespace {

constexpr qsizetype firstRows = 30;
constexpr qsizetype rowsPerPart = 15;

} // namespace

TranscriptListView::TranscriptListView(QWidget *parent)
    : QWidget(parent)
{
    m_rowMaker.setInterval(0);
    connect(&m_rowMaker, &QTimer::timeout, this, [this] { addRows(rowsPerPart); });
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

    m_messages = messages;
    // What fills the view at once; a long transcript follows in parts.
    addRows(firstRows);
}

void TranscriptListView::addRows(qsizetype count)
{
    for (qsizetype made = 0; made < count && !hasAllRows(); ++made) {
        auto *row = new TranscriptMessageView(m_messages.at(m_rows.size()));
        m_stack->insertWidget(int(m_rows.size()), row);
        m_rows.append(row);
    }
    if (hasAllRows())
        m_rowMaker.stop();
    else if (!m_rowMaker.isActive())
        m_rowMaker.start();
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
