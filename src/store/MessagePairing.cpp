#include "MessagePairing.h"

namespace MessagePairing {

QList<SavedMessage> messages(const QList<AIResponse> &answers)
{
    QList<SavedMessage> lines;
    lines.reserve(answers.size() * 2);
    for (const AIResponse &answer : answers) {
        lines.append(SavedMessage(answer.question, true, answer.timestamp));
        lines.append(SavedMessage(answer.content, false, answer.timestamp));
    }
    return lines;
}

QList<AIResponse> answers(const QList<SavedMessage> &messages)
{
    QList<AIResponse> paired;
    paired.reserve(messages.size() / 2);
    for (qsizetype i = 0; i + 1 < messages.size(); i += 2) {
        const SavedMessage &answer = messages.at(i + 1);
        paired.append(AIResponse { answer.content(), answer.timestamp(), std::nullopt, messages.at(i).content() });
    }
    return paired;
}

} // namespace MessagePairing
