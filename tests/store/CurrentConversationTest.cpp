#include "store/CurrentConversation.h"

#include "StoreTestSupport.h"
#include "ai/AIManager.h"
#include "platform/ImageData.h"
#include "platform/UserDefaults.h"
#include "store/ConversationManager.h"
#include "store/MessagePairing.h"
#include "support/FakeAIService.h"
#include "support/LogCapture.h"
#include "support/ScopedEndpoints.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace StoreTestSupport;

namespace {

QStringList linesOf(const QList<SavedMessage> &messages)
{
    QStringList lines;
    for (const SavedMessage &message : messages)
        lines << QStringLiteral("%1:%2").arg(message.isUser() ? "user" : "ai", message.content());
    return lines;
}

// A store of its own over a defaults file of the case's own, and the shared
// AI client talking to a fake service on loopback.
class CurrentConversationTest : public ::testing::Test
{
protected:
    CurrentConversationTest()
        : endpoints(service.baseUrl())
    {
        UserDefaults::standard().setString(QStringLiteral("apiKey"), QStringLiteral("sk-test-key"));
        DateEnvironment::setCurrent(berlinEnvironment(now));
        AIManager::shared().resetForNewScreenshot();
        store.loadConversations();
    }

    ~CurrentConversationTest() override { DateEnvironment::setCurrent(DateEnvironment::system()); }

    CurrentConversation &current() { return store.current(); }

    // Saves a conversation about the screenshot with these answers, as a
    // capture's road does, and ends it; gives it as the list holds it.
    Conversation saveConversation(const QImage &screenshot, const QList<AIResponse> &answers)
    {
        current().start(screenshot);
        AIManager::shared().setResponses(answers);
        current().end();
        return store.conversations().first();
    }

    std::optional<Conversation> inStore(const QUuid &id) { return store.conversation(id); }

    QString sentPrompt(qsizetype index) const
    {
        const QList<RecordedRequest> requests = service.requests("POST", "/v1/chat/completions");
        const QJsonObject body = QJsonDocument::fromJson(requests.value(index).body).object();
        return body[QLatin1String("messages")][0][QLatin1String("content")][0][QLatin1String("text")].toString();
    }

    const QDateTime now = berlinTime(2024, 3, 15, 10, 0);
    FakeAIService service;
    ScopedEndpoints endpoints;
    CaseStore caseStore;
    ConversationManager store { caseStore.defaults() };
};

} // namespace

// Follow-ups asked in a reopened conversation are written into it where it
// stands, with its own screenshot; with nothing new nothing is written.
TEST_F(CurrentConversationTest, FollowUpsOfAReopenedConversationAreWrittenIntoItInPlace)
{
    const QImage chart = sampleImage(24, 16, 5);
    const Conversation older = saveConversation(
        chart, { answer(QStringLiteral("What is this?"), QStringLiteral("A chart."), now.addSecs(-600)) });
    saveConversation(sampleImage(12, 12, 7), { answer(QStringLiteral("newer"), QStringLiteral("b"), now) });
    ASSERT_EQ(store.conversations().at(1).id(), older.id());

    store.loadConversation(older);
    EXPECT_FALSE(current().hasUnsavedAnswers());
    QSignalSpy changed(&store, &ConversationManager::conversationsChanged);
    EXPECT_FALSE(current().save());
    EXPECT_EQ(changed.count(), 0);

    service.enqueue("POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("Upwards.")));
    const std::optional<AIResponse> followUp = QCoro::waitFor(current().askFollowUp(QStringLiteral("And the trend?")));
    ASSERT_TRUE(followUp.has_value());
    EXPECT_EQ(followUp->content, QStringLiteral("Upwards."));
    EXPECT_TRUE(current().hasUnsavedAnswers());
    LogCapture log;
    ASSERT_TRUE(current().save());

    ASSERT_EQ(store.conversations().size(), 2);
    const Conversation updated = store.conversations().at(1);
    EXPECT_EQ(updated.id(), older.id());
    EXPECT_EQ(updated.title(), older.title());
    EXPECT_EQ(updated.createdAt(), older.createdAt());
    EXPECT_EQ(updated.screenshotData(), ImageData::pngData(chart));
    EXPECT_EQ(linesOf(updated.messages()),
        QStringList({ "user:What is this?", "ai:A chart.", "user:And the trend?", "ai:Upwards." }));
    EXPECT_EQ(current().savedConversation()->messages().size(), 4);
    EXPECT_TRUE(log.contains(
        QStringLiteral("💾 Saved follow-ups to conversation: 'What is this?', now with 4 messages")));

    // What the next start of the program finds: the same place, four messages.
    const QJsonArray stored = readStoreInNewProcess(caseStore.configHome()).state[QLatin1String("conversations")].toArray();
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored.at(1)[QLatin1String("messages")].toArray().size(), 4);
    EXPECT_EQ(stored.at(1)[QLatin1String("createdAtMsecs")].toInteger(), older.createdAt().toMSecsSinceEpoch());

    // Nothing new since: nothing written.
    changed.clear();
    EXPECT_FALSE(current().save());
    EXPECT_EQ(changed.count(), 0);
}

// A conversation that takes the current one's place saves it first; an
// answer still awaited for it never turns up in the one that follows, and
// the one reopened asks with its own context.
TEST_F(CurrentConversationTest, WhatTakesItsPlaceSavesItFirstAndAnAnswerAwaitedIsDropped)
{
    const QImage red = sampleImage(10, 10, 1);
    const QImage green = sampleImage(10, 10, 2);
    const Conversation saved = saveConversation(red,
        { answer(QStringLiteral("Q1"), QStringLiteral("A1"), now), answer(QStringLiteral("Q2"), QStringLiteral("A2"), now) });

    current().start(green);
    QCoro::waitFor(current().ask(QStringLiteral("What is green?")));
    ASSERT_TRUE(current().hasUnsavedAnswers());
    FakeReply slow = FakeReply::chatCompletion(QStringLiteral("Too late."));
    slow.delay = std::chrono::milliseconds(400);
    service.enqueue("POST", "/v1/chat/completions", slow);
    QCoro::Task<std::optional<AIResponse>> late = current().askFollowUp(QStringLiteral("And more?"));
    ASSERT_TRUE(current().isAwaitingAnswer());
    QSignalSpy replaced(&current(), &CurrentConversation::replaced);

    store.loadConversation(saved);

    EXPECT_EQ(replaced.count(), 1);
    EXPECT_FALSE(current().isAwaitingAnswer());
    // The capture about green went into the store first, with green.
    ASSERT_EQ(store.conversations().size(), 2);
    EXPECT_EQ(store.conversations().first().title(), QStringLiteral("What is green?"));
    EXPECT_EQ(store.conversations().first().screenshotData(), ImageData::pngData(green));
    EXPECT_EQ(current().savedConversation()->id(), saved.id());
    EXPECT_EQ(current().screenshotData(), ImageData::pngData(red));

    EXPECT_FALSE(QCoro::waitFor(std::move(late)).has_value());
    EXPECT_EQ(MessagePairing::messages(current().answers()).size(), 4);

    QCoro::waitFor(current().askFollowUp(QStringLiteral("Q3")));
    const QString prompt = sentPrompt(2);
    EXPECT_TRUE(prompt.contains(QStringLiteral("Original question: Q1\n"))) << prompt.toStdString();
    EXPECT_TRUE(prompt.contains(QStringLiteral("Previous AI response: A2\n"))) << prompt.toStdString();
    current().end();
    EXPECT_EQ(inStore(saved.id())->messages().size(), 6);
    EXPECT_EQ(inStore(saved.id())->screenshotData(), ImageData::pngData(red));
    EXPECT_EQ(store.conversations().size(), 2);
}

// Clear drops the answers and leaves the saved conversation: what follows is
// a new conversation about the same screenshot, still asked with the context.
TEST_F(CurrentConversationTest, AfterAClearWhatFollowsIsANewConversationAboutTheSameScreenshot)
{
    const QImage image = sampleImage(10, 10, 3);
    const Conversation saved = saveConversation(image, { answer(QStringLiteral("Q1"), QStringLiteral("A1"), now) });
    store.loadConversation(saved);

    current().clear();

    EXPECT_TRUE(current().answers().isEmpty());
    EXPECT_FALSE(current().savedConversation().has_value());
    EXPECT_FALSE(store.currentConversation().has_value());
    ASSERT_TRUE(current().screenshotImage().has_value());
    QCoro::waitFor(current().askFollowUp(QStringLiteral("Q2")));
    EXPECT_TRUE(sentPrompt(0).contains(QStringLiteral("Previous AI response: A1")));
    current().end();
    ASSERT_EQ(store.conversations().size(), 2);
    EXPECT_EQ(store.conversations().first().title(), QStringLiteral("Q2"));
    EXPECT_EQ(store.conversations().first().screenshotData(), ImageData::pngData(image));
    EXPECT_EQ(inStore(saved.id())->messages().size(), 2);
}
