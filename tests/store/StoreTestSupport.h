#pragma once

#include "ai/AIResponse.h"
#include "store/Conversation.h"
#include "store/ConversationHooks.h"
#include "store/DateEnvironment.h"

#include <QImage>
#include <QJsonObject>
#include <QStringList>

namespace StoreTestSupport {

// Berlin time, American English: a zone with daylight saving time and a
// locale whose short time is "h:mm AP".
DateEnvironment berlinEnvironment(const QDateTime &now);
// A moment given as Berlin wall-clock time.
QDateTime berlinTime(int year, int month, int day, int hour, int minute, int second = 0);

AIResponse answer(const QString &question, const QString &content, const QDateTime &timestamp);

// An image with some structure, so that its PNG is not trivially small.
QImage sampleImage(int width, int height, int seed = 0);

// Stores the conversations under "SavedConversations" in the standard store,
// as a run before this one would have left them.
void storeConversations(const QList<Conversation> &conversations);

// What a new process of the application loads from the same defaults file:
// its log lines, and the conversations and settings as the store-reader
// program prints them.
struct NewProcessState
{
    QStringList logLines;
    QJsonObject state;
};
NewProcessState readStoreInNewProcess();

// The chat window and the capture as the conversation store sees them
// through its hooks, installed for as long as it lives.
class FakeConversationWindows
{
public:
    FakeConversationWindows();
    ~FakeConversationWindows();
    FakeConversationWindows(const FakeConversationWindows &) = delete;
    FakeConversationWindows &operator=(const FakeConversationWindows &) = delete;

    std::optional<QImage> chatScreenshot;
    std::optional<QImage> lastCapture;
    QList<SavedMessage> transcript;
};

// Makes every write to the standard store under a key matching the GLOB
// pattern fail, for as long as it lives, the way a full disk would.
class FailingWrites
{
public:
    explicit FailingWrites(const QString &keyPattern);
    ~FailingWrites();
    FailingWrites(const FailingWrites &) = delete;
    FailingWrites &operator=(const FailingWrites &) = delete;

private:
    void execute(const QString &sql);
};

} // namespace StoreTestSupport
