#pragma once

#include <QDateTime>
#include <QString>

// What the AI client remembers of the current exchange to build follow-up
// prompts: the question of its first successful request and the latest
// successful answer.
struct ConversationContext
{
    QString originalQuestion;
    QString aiResponse;
    QDateTime timestamp;
};
