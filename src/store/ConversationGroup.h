#pragma once

#include "Conversation.h"

#include <QList>
#include <QString>

// Saved conversations of one age ("Today", "Yesterday", "This Week",
// "Older"), newest first.
struct ConversationGroup
{
    QString title;
    QList<Conversation> conversations;
};
