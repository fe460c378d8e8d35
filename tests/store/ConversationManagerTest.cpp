#include "store/ConversationManager.h"

#include "StoreTestSupport.h"
#include "ai/AIManager.h"
#include "platform/ImageData.h"
#include "platform/UserDefaults.h"
#include "store/ConversationJson.h"
#include "support/LogCapture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace StoreTestSupport;

namespace {

const QString conversationsKey = QStringLiteral("SavedConversations");

// A reader written from the stored format alone: a JSON array of objects
// with "title", "createdAt" (seconds since 2001-01-01 UTC), an optional
// standard Base64 "screenshotData" and "messages" of "content", "isUser"
// and "timestamp".
struct FormatMessage
{
    QString content;
    bool isUser;
    QDateTime timestamp;
};
struct FormatConversation
{
    QString title;
    QDateTime createdAt;
    std::optional<QByteArray> png;
    QList<FormatMessage> messages;
};

QDateTime formatDate(const QJsonValue &seconds)
{
    const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return reference.addMSecs(qRound64(seconds.toDouble() * 1000));
}

QList<FormatConversation> readByFormatOnly(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError);
    QList<FormatConversation> result;
    for (const QJsonValue &value : document.array()) {
        const QJsonObject object = value.toObject();
        FormatConversation conversation { object[QLatin1String("title")].toString(),
            formatDate(object[QLatin1String("createdAt")]), std::nullopt, {} };
        if (object.contains(QLatin1String("screenshotData"))) {
            const auto png = QByteArray::fromBase64Encoding(
                object[QLatin1String("screenshotData")].toString().toLatin1(),
                QByteArray::AbortOnBase64DecodingErrors);
            EXPECT_TRUE(png);
            conversation.png = *png;
        }
        for (const QJsonValue &message : object[QLatin1String("messages")].toArray())
            conversation.messages.append({ message[QLatin1String("content")].toString(),
                message[QLatin1String("isUser")].toBool(), formatDate(message[QLatin1String("timestamp")]) });
        result.append(conversation);
    }
    return result;
}

QByteArray storedList()
{
    return UserDefaults::standard().dataForKey(conversationsKey).value_or(QByteArray());
}

class ConversationManagerTest : public ::testing::Test
{
protected:
    void SetUp() override { DateEnvironment::setCurrent(berlinEnvironment(m_now)); }

    QDateTime at(int minutesBefore) const { return m_now.addSecs(-60 * minutesBefore); }

    // Saves a fresh exchange of the given questions.
    void saveExchange(const QStringList &questions)
    {
        QList<AIResponse> responses;
        for (const QString &question : questions)
            responses.append(answer(question, QStringLiteral("Answer to ") + question, at(5)));
        AIManager::shared().setResponses(responses);
        ConversationManager::shared().saveCurrentConversation();
    }

    const QDateTime m_now = berlinTime(2024, 3, 15, 10, 0);
    LogCapture m_log;
    FakeConversationWindows m_windows;
};

} // namespace

TEST_F(ConversationManagerTest, SavesTheAnswersWithTheLastCaptureForAnotherProcessToRead)
{
    const QImage capture = sampleImage(64, 48);
    const QByteArray png = ImageData::pngData(capture);
    m_windows.lastCapture = capture;
    AIManager::shared().setResponses(
        { answer(QStringLiteral("What is this?"), QStringLiteral("A cat."), at(3)),
            answer(QStringLiteral("Its colour?"), QStringLiteral("Grey."), at(1)) });
    ConversationManager &manager = ConversationManager::shared();
    QSignalSpy conversationsChanged(&manager, &ConversationManager::conversationsChanged);

    manager.saveCurrentConversation();

    EXPECT_EQ(m_log.lines(),
        QStringList({ QStringLiteral("📂 No saved conversations found"),
            QStringLiteral("✅ Converted screenshot to PNG data (%1 bytes)").arg(png.size()),
            QStringLiteral("💾 Screenshot data available: true"),
            QStringLiteral("💾 Screenshot data size: %1 bytes").arg(png.size()),
            QStringLiteral("💾 Saved 1 conversations"),
            QStringLiteral("💾 Saved conversation: 'What is this?' with 4 messages and screenshot: true") }));
    EXPECT_EQ(conversationsChanged.count(), 1);
    EXPECT_FALSE(manager.currentConversation().has_value());
    ASSERT_EQ(manager.conversations().size(), 1);
    const Conversation &saved = manager.conversations().first();
    EXPECT_EQ(saved.createdAt(), m_now);
    EXPECT_EQ(saved.screenshotData(), png);

    // What a reader of the format alone finds in the store.
    const QList<FormatConversation> stored = readByFormatOnly(storedList());
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].title, QStringLiteral("What is this?"));
    EXPECT_EQ(stored[0].createdAt, m_now);
    EXPECT_EQ(stored[0].png, png);
    EXPECT_EQ(ImageData::imageFromPng(*stored[0].png).convertToFormat(capture.format()), capture);
    const QList<std::tuple<QString, bool, QDateTime>> expectedMessages {
        { QStringLiteral("What is this?"), true, at(3) }, { QStringLiteral("A cat."), false, at(3) },
        { QStringLiteral("Its colour?"), true, at(1) }, { QStringLiteral("Grey."), false, at(1) }
    };
    ASSERT_EQ(stored[0].messages.size(), expectedMessages.size());
    for (qsizetype i = 0; i < expectedMessages.size(); ++i) {
        EXPECT_EQ(stored[0].messages[i].content, std::get<0>(expectedMessages[i]));
        EXPECT_EQ(stored[0].messages[i].isUser, std::get<1>(expectedMessages[i]));
        EXPECT_EQ(stored[0].messages[i].timestamp, std::get<2>(expectedMessages[i]));
    }

    // What a new process of the application loads.
    const NewProcessState next = readStoreInNewProcess();
    EXPECT_TRUE(next.logLines.contains(QStringLiteral("📂 Loaded 1 conversations")));
    const QJsonArray conversations = next.state[QLatin1String("conversations")].toArray();
    ASSERT_EQ(conversations.size(), 1);
    const QJsonObject loaded = conversations[0].toObject();
    EXPECT_EQ(loaded[QLatin1String("title")].toString(), QStringLiteral("What is this?"));
    EXPECT_EQ(loaded[QLatin1String("createdAtMsecs")].toInteger(), m_now.toMSecsSinceEpoch());
    EXPECT_EQ(loaded[QLatin1String("screenshotBase64")].toString(), QString::fromLatin1(png.toBase64()));
    const QJsonArray messages = loaded[QLatin1String("messages")].toArray();
    ASSERT_EQ(messages.size(), 4);
    EXPECT_EQ(messages[3].toObject()[QLatin1String("content")].toString(), QStringLiteral("Grey."));
    EXPECT_FALSE(messages[3].toObject()[QLatin1String("isUser")].toBool());
    EXPECT_EQ(messages[3].toObject()[QLatin1String("timestampMsecs")].toInteger(), at(1).toMSecsSinceEpoch());
}

TEST_F(ConversationManagerTest, TakesTheChatWindowScreenshotBeforeTheLastCapture)
{
    const QImage chatImage = sampleImage(20, 20, 1);
    m_windows.chatScreenshot = chatImage;
    m_windows.lastCapture = sampleImage(30, 30, 2);

    saveExchange({ QStringLiteral("q") });

    EXPECT_EQ(ConversationManager::shared().conversations().first().screenshotData(),
        ImageData::pngData(chatImage));
}

TEST_F(ConversationManagerTest, SavesWithoutScreenshotWhenThereIsNoneOrItCannotBeEncoded)
{
    saveExchange({ QStringLiteral("q") });
    EXPECT_TRUE(m_log.contains(QStringLiteral("⚠️ No screenshot found in either manager")));
    EXPECT_TRUE(m_log.contains(QStringLiteral("💾 Screenshot data available: false")));
    EXPECT_TRUE(
        m_log.contains(QStringLiteral("💾 Saved conversation: 'q' with 2 messages and screenshot: false")));
    EXPECT_FALSE(storedList().contains("screenshotData"));
    EXPECT_FALSE(ConversationManager::shared().conversations().first().screenshotData().has_value());

    m_log.clear();
    m_windows.chatScreenshot = QImage();
    saveExchange({ QStringLiteral("r") });
    EXPECT_EQ(m_log.lines().mid(0, 2),
        QStringList({ QStringLiteral("❌ Failed to convert image to PNG data"),
            QStringLiteral("💾 Screenshot data available: false") }));
    EXPECT_FALSE(storedList().contains("screenshotData"));
}

TEST_F(ConversationManagerTest, StoresNothingWithoutAnswers)
{
    ConversationManager::shared().saveCurrentConversation();

    EXPECT_TRUE(m_log.contains(QStringLiteral("💾 No AI responses to save")));
    EXPECT_TRUE(ConversationManager::shared().conversations().isEmpty());
    EXPECT_FALSE(UserDefaults::standard().contains(conversationsKey));
}

TEST_F(ConversationManagerTest, SavingTwiceWhileFreshStoresTwoRecordsNewestFirst)
{
    saveExchange({ QStringLiteral("same") });
    DateEnvironment::setCurrent(berlinEnvironment(m_now.addSecs(1)));
    ConversationManager::shared().saveCurrentConversation();

    const QList<Conversation> &conversations = ConversationManager::shared().conversations();
    ASSERT_EQ(conversations.size(), 2);
    EXPECT_EQ(conversations[0].createdAt(), m_now.addSecs(1));
    EXPECT_EQ(conversations[1].createdAt(), m_now);
    EXPECT_NE(conversations[0].id(), conversations[1].id());
    EXPECT_EQ(conversations[0].title(), conversations[1].title());
    EXPECT_EQ(conversations[0].messages().size(), conversations[1].messages().size());
    EXPECT_TRUE(m_log.contains(QStringLiteral("💾 Saved 2 conversations")));
    EXPECT_EQ(readByFormatOnly(storedList()).size(), 2);
}

TEST(ConversationTitleTest, KeepsFiftyCharactersAsTheUserSeesThem)
{
    const QString thumbsUp
        = QStringLiteral("👍🏽"); // an emoji with a skin tone: two code points, one character
    const QString family
        = QStringLiteral("👨‍👩‍👧"); // joined emoji: five code points, one character
    const struct
    {
        QString question;
        QString title;
    } cases[] = {
        { QString(50, QLatin1Char('a')), QString(50, QLatin1Char('a')) },
        { QString(51, QLatin1Char('a')), QString(50, QLatin1Char('a')) + QStringLiteral("...") },
        { QString(49, QLatin1Char('a')) + thumbsUp, QString(49, QLatin1Char('a')) + thumbsUp },
        { QString(49, QLatin1Char('a')) + thumbsUp + QLatin1Char('b'),
            QString(49, QLatin1Char('a')) + thumbsUp + QStringLiteral("...") },
        { family.repeated(50), family.repeated(50) },
        { family.repeated(51), family.repeated(50) + QStringLiteral("...") },
        { QStringLiteral("e\u0301").repeated(51),
            QStringLiteral("e\u0301").repeated(50) + QStringLiteral("...") },
        { QString(), QString() },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.question.toStdString());
        EXPECT_EQ(
            ConversationManager::generateConversationTitle(
                { answer(c.question, QStringLiteral("a"), QDateTime::currentDateTimeUtc()),
                    answer(QStringLiteral("second"), QStringLiteral("b"), QDateTime::currentDateTimeUtc()) }),
            c.title);
    }
    EXPECT_EQ(ConversationManager::generateConversationTitle({}), QStringLiteral("New Conversation"));
}

TEST_F(ConversationManagerTest, ViewingASavedConversationSkipsSavesUntilLeft)
{
    saveExchange({ QStringLiteral("first") });
    ConversationManager &manager = ConversationManager::shared();
    manager.loadConversation(manager.conversations().first());
    ASSERT_TRUE(manager.currentConversation().has_value());
    m_log.clear();

    manager.saveCurrentConversation();
    EXPECT_EQ(m_log.lines(),
        QStringList(QStringLiteral("💾 Skipping save - viewing existing conversation: 'first'")));

    // Starting anew says why it saves nothing, resets the AI client and
    // leaves the viewing state.
    m_log.clear();
    QSignalSpy currentChanged(&manager, &ConversationManager::currentConversationChanged);
    manager.startNewConversation(m_windows.lastCapture);
    EXPECT_EQ(m_log.lines(),
        QStringList({ QStringLiteral("💾 Skipping save - viewing existing conversation: 'first'"),
            QStringLiteral("🔄 AI Manager reset - cleared all responses") }));
    EXPECT_FALSE(manager.currentConversation().has_value());
    EXPECT_EQ(currentChanged.count(), 1);
    EXPECT_TRUE(AIManager::shared().responses().isEmpty());

    saveExchange({ QStringLiteral("second") });
    EXPECT_EQ(manager.conversations().size(), 2);

    // The chat window's Clear also ends viewing; with no answers the skip
    // line says so.
    manager.loadConversation(manager.conversations().first());
    AIManager::shared().resetForNewScreenshot();
    m_log.clear();
    manager.saveCurrentConversation();
    EXPECT_EQ(m_log.lines(), QStringList(QStringLiteral("💾 No AI responses to save")));
    manager.setCurrentConversation(std::nullopt);
    saveExchange({ QStringLiteral("third") });
    EXPECT_EQ(manager.conversations().size(), 3);
}

TEST_F(ConversationManagerTest, StartingANewConversationWhileFreshDoesNotSave)
{
    AIManager::shared().setResponses({ answer(QStringLiteral("q"), QStringLiteral("a"), at(1)) });
    ConversationManager::shared().startNewConversation(std::nullopt);

    EXPECT_EQ(m_log.lines(),
        QStringList({ QStringLiteral("📂 No saved conversations found"),
            QStringLiteral("🔄 AI Manager reset - cleared all responses") }));
    EXPECT_TRUE(AIManager::shared().responses().isEmpty());
    EXPECT_FALSE(UserDefaults::standard().contains(conversationsKey));
}

TEST_F(ConversationManagerTest, LoadingRestoresAnswersTranscriptAndScreenshot)
{
    const QImage image = sampleImage(16, 12, 3);
    const QList<SavedMessage> threeMessages { SavedMessage(QStringLiteral("Q1"), true, at(9)),
        SavedMessage(QStringLiteral("A1"), false, at(8)), SavedMessage(QStringLiteral("Q2"), true, at(7)) };
    storeConversations({
        Conversation(QStringLiteral("with image"), at(10), ImageData::pngData(image), threeMessages),
        Conversation(QStringLiteral("without image"), at(20), std::nullopt, threeMessages.mid(0, 2)),
        Conversation(
            QStringLiteral("broken image"), at(30), QByteArray("not a png"), threeMessages.mid(0, 1)),
    });
    ConversationManager &manager = ConversationManager::shared();
    ASSERT_EQ(manager.conversations().size(), 3);
    AIManager &ai = AIManager::shared();
    ai.setIsProcessing(true);

    manager.loadConversation(manager.conversations()[0]);

    EXPECT_EQ(manager.currentConversation()->id(), manager.conversations()[0].id());
    const AIResponse restored { QStringLiteral("A1"), at(8), std::nullopt, QStringLiteral("Q1") };
    EXPECT_EQ(ai.responses(), QList<AIResponse>({ restored }));
    EXPECT_EQ(ai.lastResponse(), restored);
    EXPECT_TRUE(ai.isProcessing());
    ASSERT_EQ(m_windows.transcript.size(), 3);
    for (qsizetype i = 0; i < 3; ++i) {
        EXPECT_EQ(m_windows.transcript[i].content(), threeMessages[i].content());
        EXPECT_EQ(m_windows.transcript[i].isUser(), threeMessages[i].isUser());
        EXPECT_EQ(m_windows.transcript[i].timestamp(), threeMessages[i].timestamp());
    }
    ASSERT_TRUE(m_windows.chatScreenshot.has_value());
    EXPECT_EQ(m_windows.chatScreenshot->convertToFormat(image.format()), image);
    EXPECT_TRUE(m_log.contains(QStringLiteral("📂 Loaded conversation: 'with image'")));

    // Without image bytes the chat keeps its image.
    manager.loadConversation(manager.conversations()[1]);
    EXPECT_TRUE(m_windows.chatScreenshot.has_value());
    EXPECT_EQ(m_windows.transcript.size(), 2);

    // Bytes that are no image leave the chat without one; a single message
    // gives no answer, and the last answer stays as it was.
    manager.loadConversation(manager.conversations()[2]);
    EXPECT_FALSE(m_windows.chatScreenshot.has_value());
    EXPECT_TRUE(ai.responses().isEmpty());
    EXPECT_EQ(ai.lastResponse(), restored);
    EXPECT_EQ(m_windows.transcript.size(), 1);
}

TEST_F(ConversationManagerTest, DeletingLeavesTheViewStateUnlessItWasTheViewedConversation)
{
    storeConversations({ Conversation(QStringLiteral("viewed"), at(1), std::nullopt,
                             { SavedMessage(QStringLiteral("q"), true, at(1)),
                                 SavedMessage(QStringLiteral("a"), false, at(1)) }),
        Conversation(QStringLiteral("other"), at(2), std::nullopt, {}) });
    ConversationManager &manager = ConversationManager::shared();
    const Conversation viewed = manager.conversations()[0];
    const Conversation other = manager.conversations()[1];
    m_windows.chatScreenshot = sampleImage(4, 4);
    manager.loadConversation(viewed);
    m_log.clear();

    manager.deleteConversation(other);
    EXPECT_EQ(m_log.lines(), QStringList(QStringLiteral("💾 Saved 1 conversations")));
    EXPECT_TRUE(manager.currentConversation().has_value());
    EXPECT_EQ(AIManager::shared().responses().size(), 1);
    EXPECT_EQ(m_windows.transcript.size(), 2);

    // Deleting what is not in the list still rewrites it.
    m_log.clear();
    manager.deleteConversation(other);
    EXPECT_EQ(m_log.lines(), QStringList(QStringLiteral("💾 Saved 1 conversations")));

    m_log.clear();
    manager.deleteConversation(viewed);
    EXPECT_EQ(m_log.lines(),
        QStringList({ QStringLiteral("💾 Saved 0 conversations"),
            QStringLiteral("🔄 AI Manager reset - cleared all responses") }));
    EXPECT_FALSE(manager.currentConversation().has_value());
    EXPECT_TRUE(AIManager::shared().responses().isEmpty());
    EXPECT_TRUE(m_windows.transcript.isEmpty());
    EXPECT_TRUE(m_windows.chatScreenshot.has_value());
    EXPECT_EQ(storedList(), QByteArray("[]"));
}

TEST_F(ConversationManagerTest, TogglesTheSidebar)
{
    ConversationManager &manager = ConversationManager::shared();
    QSignalSpy changed(&manager, &ConversationManager::isSidebarExpandedChanged);
    EXPECT_FALSE(manager.isSidebarExpanded());
    manager.toggleSidebar();
    EXPECT_TRUE(manager.isSidebarExpanded());
    manager.toggleSidebar();
    EXPECT_FALSE(manager.isSidebarExpanded());
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(ConversationManagerTest, AFailedWriteIsReportedAndNotClaimedAsSaved)
{
    {
        FailingWrites diskFull(conversationsKey);
        saveExchange({ QStringLiteral("q") });
    }
    EXPECT_TRUE(m_log.contains(
        QStringLiteral("❌ Failed to save conversations: the settings store could not write them")));
    EXPECT_FALSE(m_log.contains(QStringLiteral("💾 Saved 1 conversations")));
    EXPECT_EQ(ConversationManager::shared().conversations().size(), 1);
    EXPECT_FALSE(UserDefaults::standard().contains(conversationsKey));

    // An answer without a time cannot be written; what was stored stays.
    saveExchange({ QStringLiteral("r") });
    const QByteArray before = storedList();
    AIManager::shared().setResponses({ answer(QStringLiteral("undated"), QStringLiteral("a"), QDateTime()) });
    ConversationManager::shared().saveCurrentConversation();
    EXPECT_TRUE(m_log.contains(QStringLiteral(
        "❌ Failed to save conversations: The conversation 'undated' has a date without a value")));
    EXPECT_EQ(storedList(), before);
}

// An unreadable stored list is copied aside before anything else happens, so
// that the next save, which replaces the list, destroys nothing.
TEST_F(ConversationManagerTest, AnUnreadableStoredListIsSetAsideBeforeTheNextSaveReplacesIt)
{
    const QByteArray damaged = R"([{"title":"cut off","createdAt":7)";
    UserDefaults::standard().setData(conversationsKey, damaged);
    // The key of this second is taken already: the copy gets the next one.
    UserDefaults::standard().setString(
        QStringLiteral("SavedConversations.unreadable-20240315-090000"), QStringLiteral("older copy"));
    const QString asideKey = QStringLiteral("SavedConversations.unreadable-20240315-090000-2");

    ConversationManager &manager = ConversationManager::shared();

    ASSERT_EQ(m_log.lines().size(), 2);
    EXPECT_EQ(m_log.lines()[0],
        QStringLiteral("⚠️ Saved conversations could not be read; they were kept under \"%1\"")
            .arg(asideKey));
    EXPECT_TRUE(m_log.lines()[1].startsWith(QStringLiteral("❌ Failed to load conversations: ")));
    EXPECT_TRUE(manager.conversations().isEmpty());
    EXPECT_EQ(UserDefaults::standard().dataForKey(asideKey), damaged);
    EXPECT_EQ(storedList(), damaged);

    saveExchange({ QStringLiteral("after") });
    EXPECT_EQ(readByFormatOnly(storedList()).size(), 1);
    EXPECT_EQ(UserDefaults::standard().dataForKey(asideKey), damaged);

    const NewProcessState next = readStoreInNewProcess();
    EXPECT_TRUE(next.logLines.contains(QStringLiteral("📂 Loaded 1 conversations")));
}

TEST_F(ConversationManagerTest, AValueOfAnotherKindIsSetAsideAsItIs)
{
    UserDefaults::standard().setString(conversationsKey, QStringLiteral("[]"));
    ConversationManager::shared();
    EXPECT_EQ(UserDefaults::standard().stringForKey(
                  QStringLiteral("SavedConversations.unreadable-20240315-090000")),
        QStringLiteral("[]"));
    EXPECT_TRUE(
        m_log.contains(QStringLiteral("❌ Failed to load conversations: The stored value is not data")));
}

TEST_F(ConversationManagerTest, AnUnreadableListThatCannotBeSetAsideIsNotReplaced)
{
    const QByteArray damaged = "not json";
    UserDefaults::standard().setData(conversationsKey, damaged);
    const QString asideKey = QStringLiteral("SavedConversations.unreadable-20240315-090000");
    {
        FailingWrites diskFull(QStringLiteral("SavedConversations.unreadable-*"));
        ConversationManager::shared();
        EXPECT_TRUE(m_log.contains(
            QStringLiteral("❌ Saved conversations that could not be read could not be set "
                           "aside; they stay under \"SavedConversations\" and are not replaced")));
        saveExchange({ QStringLiteral("first") });
        EXPECT_TRUE(m_log.contains(
            QStringLiteral("❌ Failed to save conversations: the saved conversations that "
                           "could not be read could not be set aside, so they were not replaced")));
        EXPECT_EQ(storedList(), damaged);
    }

    // Once there is room again, the next save sets them aside first.
    m_log.clear();
    saveExchange({ QStringLiteral("second") });
    EXPECT_EQ(UserDefaults::standard().dataForKey(asideKey), damaged);
    EXPECT_EQ(readByFormatOnly(storedList()).size(), 2);
    EXPECT_TRUE(m_log.contains(QStringLiteral("💾 Saved 2 conversations")));
}
