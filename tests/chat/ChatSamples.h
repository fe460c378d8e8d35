#pragma once

#include "ai/AIResponse.h"
#include "store/Conversation.h"

#include <QDateTime>
#include <QImage>
#include <QList>

// Pictures, answers and saved conversations for the chat window's tests,
// pictures and benchmark.
namespace ChatSamples {

// A screenshot-like picture: a window with a title bar, text lines and a
// chart in colours that vary with the seed.
QImage screenshot(const QSize &size, int seed = 0);

// n answers to n questions about a chart, a minute apart, ending at `last`.
QList<AIResponse> responses(int count, const QDateTime &last);

// `count` saved conversations spread over the last weeks before `now`,
// newest first, each with a small screenshot of its own and two to six
// messages; every seventh has no screenshot, and every eleventh bytes that
// are no image.
QList<Conversation> conversations(int count, const QDateTime &now);

// Leaves the conversations in the user defaults as an earlier run would
// have, for the store to load at its first use.
void storeConversations(const QList<Conversation> &conversations);

} // namespace ChatSamples
