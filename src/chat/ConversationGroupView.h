#pragma once

#include "store/Conversation.h"

#include <QList>
#include <QWidget>

#include <functional>

class ConversationRowView;
class ConversationThumbnails;

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
    const QList<ConversationRowView *> &rows() const { return m_rows; }

private:
    QString m_title;
    QList<ConversationRowView *> m_rows;
};
