#pragma once

#include "store/Conversation.h"

#include <QList>
#include <QUuid>
#include <QWidget>

#include <functional>

class ConversationRowView;
class ConversationThumbnails;
class QVBoxLayout;

// One age group of the sidebar ("Today", "Yesterday", ...): its title in
// capitals with a badge counting its rows, then a row per conversation.
// Selecting and deleting are handed to the closures with the row's
// conversation.
class ConversationGroupView : public QWidget
{
    Q_OBJECT

public:
    ConversationGroupView(const QString &title, const QList<Conversation> &conversations,
        ConversationThumbnails &thumbnails, std::function<void(const Conversation &)> onConversationSelect,
        std::function<void(const Conversation &)> onConversationDelete, QWidget *parent = nullptr);

    QString title() const { return m_title; }
    // The rows made so far, in order.
    const QList<ConversationRowView *> &rows() const { return m_rows; }

    // Makes up to `count` more rows below those made so far; returns how
    // many it made.
    int addRows(int count);
    // Tells the rows made from now on whether their conversation is saved.
    void setSavedCheck(std::function<bool(const QUuid &)> isSaved) { m_isSaved = std::move(isSaved); }
    bool hasAllRows() const { return m_rows.size() == m_conversations.size(); }

private:
    QString m_title;
    QList<Conversation> m_conversations;
    ConversationThumbnails &m_thumbnails;
    std::function<void(const Conversation &)> m_onConversationSelect;
    std::function<void(const Conversation &)> m_onConversationDelete;
    QVBoxLayout *m_rowStack;
    QList<ConversationRowView *> m_rows;
    std::function<bool(const QUuid &)> m_isSaved;
};
