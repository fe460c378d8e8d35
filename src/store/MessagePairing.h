#pragma once

#include "SavedMessage.h"
#include "ai/AIResponse.h"

#include <QList>

// The one place where answers become the lines of a conversation and back.
//
// An answer is two lines: its question as the user's and its content as the
// assistant's, both at the answer's time. Lines become answers by position
// alone: each even line is a question and the line after it its answer,
// whoever wrote them; the question's own time is dropped, and a last line
// without a partner gives no answer.
namespace MessagePairing {

QList<SavedMessage> messages(const QList<AIResponse> &answers);
QList<AIResponse> answers(const QList<SavedMessage> &messages);

} // namespace MessagePairing
