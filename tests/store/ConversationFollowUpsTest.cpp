#include "StoreTestSupport.h"
#include "ai/AIManager.h"
#include "platform/ImageData.h"
#include "store/ConversationManager.h"
#include "support/LogCapture.h"

#include <QJsonArray>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace StoreTestSupport;

namespace {

qsizetype indexOf(const QUuid &id)
{
    const QList<Conversation> &conversations = ConversationManager::shared().conversations();
    for (qsizetype i = 0; i < conversations.size(); ++i)
        if (conversations.at(i).id() == id)
            return i;
    return -1;
}

} // namespace

// Follow-ups asked while a saved conversation is viewed are written into that
// same conversation, where it stands in the list; with nothing new, or with
// answers that do not continue it, nothing is written.
TEST(ConversationFollowUpsTest, FollowUpsOfAViewedConversationAreWrittenIntoItInPlace)
{
    const QDateTime now = berlinTime(2024, 3, 15, 10, 0);
    DateEnvironment::setCurrent(berlinEnvironment(now));
    FakeConversationWindows windows;
    windows.lastCapture = sampleImage(24, 16, 5);
    ConversationManager &manager = ConversationManager::shared();
    AIManager &ai = AIManager::shared();
    const AIResponse first
        = answer(QStringLiteral("What is this?"), QStringLiteral("A chart."), now.addSecs(-600));

    ai.setResponses({ first });
    manager.saveCurrentConversation();
    const Conversation viewed = manager.conversations().first();
    ai.setResponses({ answer(QStringLiteral("newer"), QStringLiteral("b"), now) });
    manager.saveCurrentConversation();
    const qsizetype place = indexOf(viewed.id());
    const qsizetype count = manager.conversations().size();
    ASSERT_EQ(place, 1);

    // Not viewing: nothing to update.
    EXPECT_FALSE(manager.updateCurrentConversation());

    manager.loadConversation(manager.conversations().at(place));
    // Viewing with only the restored answers: nothing new.
    QSignalSpy changed(&manager, &ConversationManager::conversationsChanged);
    EXPECT_FALSE(manager.updateCurrentConversation());
    EXPECT_EQ(changed.count(), 0);

    const AIResponse followUp = answer(QStringLiteral("And the trend?"), QStringLiteral("Upwards."), now);
    ai.setResponses(ai.responses() + QList<AIResponse> { followUp });
    LogCapture log;
    ASSERT_TRUE(manager.updateCurrentConversation());

    EXPECT_EQ(manager.conversations().size(), count);
    ASSERT_EQ(indexOf(viewed.id()), place);
    const Conversation updated = manager.conversations().at(place);
    EXPECT_EQ(updated.title(), viewed.title());
    EXPECT_EQ(updated.createdAt(), viewed.createdAt());
    EXPECT_EQ(updated.screenshotData(), viewed.screenshotData());
    EXPECT_TRUE(updated.screenshotData().has_value());
    QStringList lines;
    for (const SavedMessage &message : updated.messages())
        lines << QStringLiteral("%1:%2").arg(message.isUser() ? "user" : "ai", message.content());
    EXPECT_EQ(
        lines, QStringList({ "user:What is this?", "ai:A chart.", "user:And the trend?", "ai:Upwards." }));
    EXPECT_EQ(updated.messages().at(3).timestamp(), now);
    ASSERT_TRUE(manager.currentConversation().has_value());
    EXPECT_EQ(manager.currentConversation()->messages().size(), 4);
    EXPECT_TRUE(log.contains(
        QStringLiteral("💾 Saved follow-ups to conversation: 'What is this?', now with 4 messages")));

    // What the next start of the program finds: the same place, four messages.
    const QJsonArray stored = readStoreInNewProcess().state[QLatin1String("conversations")].toArray();
    ASSERT_EQ(stored.size(), count);
    EXPECT_EQ(stored.at(place)[QLatin1String("title")].toString(), viewed.title());
    EXPECT_EQ(stored.at(place)[QLatin1String("messages")].toArray().size(), 4);
    EXPECT_EQ(stored.at(place)[QLatin1String("createdAtMsecs")].toInteger(),
        viewed.createdAt().toMSecsSinceEpoch());

    // The same answers again: nothing new since the last write.
    changed.clear();
    EXPECT_FALSE(manager.updateCurrentConversation());
    // Answers that do not begin with the conversation's own are not its.
    ai.setResponses({ answer(QStringLiteral("other"), QStringLiteral("x"), now),
        answer(QStringLiteral("more"), QStringLiteral("y"), now), followUp });
    EXPECT_FALSE(manager.updateCurrentConversation());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(manager.conversations().at(place).messages().size(), 4);

    manager.startNewConversation();
}
