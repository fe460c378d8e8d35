#include "store/ConversationManager.h"

#include "StoreTestSupport.h"
#include "ai/AIManager.h"
#include "platform/ImageData.h"
#include "store/CurrentConversation.h"
#include "platform/UserDefaults.h"
#include "store/ConversationJson.h"
#include "support/DatabaseLock.h"
#include "support/LogCapture.h"
#include "support/SqliteDiskFault.h"
#include "support/SqliteLengthLimit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace StoreTestSupport;

namespace {

const QString conversationsKey = QStringLiteral("SavedConversations");

// A held file must not keep the GUI thread for the store's busy wait (5 s);
// the write gives up on it after 40 ms. The bound leaves room for the write's
// own work, fsync included, while the whole suite runs in parallel (seen up
// to 179 ms then), and stays far below the busy wait.
constexpr qint64 returnsAtOnceMs = 500;

// A reader written from the stored form alone: one row per conversation in
// the table "conversations", newest first (largest "position"), holding the
// JSON object of "title", "createdAt" (seconds since 2001-01-01 UTC) and
// "messages" of "content", "isUser" and "timestamp", and the PNG bytes in
// "screenshot" (NULL for none).
struct FormatMessage
{
    QString content;
    bool isUser;
    QDateTime timestamp;
};
struct FormatConversation
{
    QString id;
    QString title;
    QDateTime createdAt;
    std::optional<QByteArray> png;
    QList<FormatMessage> messages;
    QJsonObject record;
};

QDateTime formatDate(const QJsonValue &seconds)
{
    const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return reference.addMSecs(qRound64(seconds.toDouble() * 1000));
}

QList<FormatConversation> readByFormatOnly(const QString &path)
{
    QList<FormatConversation> result;
    sqlite3 *db = nullptr;
    EXPECT_EQ(
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    sqlite3_stmt *select = nullptr;
    EXPECT_EQ(
        sqlite3_prepare_v2(db, "SELECT id, record, screenshot FROM conversations ORDER BY position DESC", -1,
            &select, nullptr),
        SQLITE_OK);
    while (select && sqlite3_step(select) == SQLITE_ROW) {
        const QByteArray record(
            static_cast<const char *>(sqlite3_column_blob(select, 1)), sqlite3_column_bytes(select, 1));
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(record, &error).object();
        EXPECT_EQ(error.error, QJsonParseError::NoError);
        FormatConversation conversation { QString::fromUtf8(
                                              reinterpret_cast<const char *>(sqlite3_column_text(select, 0))),
            object[QLatin1String("title")].toString(), formatDate(object[QLatin1String("createdAt")]),
            std::nullopt, {}, object };
        if (sqlite3_column_type(select, 2) != SQLITE_NULL)
            conversation.png = QByteArray(
                static_cast<const char *>(sqlite3_column_blob(select, 2)), sqlite3_column_bytes(select, 2));
        for (const QJsonValue &message : object[QLatin1String("messages")].toArray())
            conversation.messages.append({ message[QLatin1String("content")].toString(),
                message[QLatin1String("isUser")].toBool(), formatDate(message[QLatin1String("timestamp")]) });
        result.append(conversation);
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
    return result;
}

QStringList titlesOf(const QList<Conversation> &conversations)
{
    QStringList titles;
    for (const Conversation &conversation : conversations)
        titles.append(conversation.title());
    return titles;
}

QStringList titlesOf(const QList<FormatConversation> &conversations)
{
    QStringList titles;
    for (const FormatConversation &conversation : conversations)
        titles.append(conversation.title);
    return titles;
}

QStringList titlesOf(const QJsonObject &state)
{
    QStringList titles;
    for (const QJsonValue &conversation : state[QLatin1String("conversations")].toArray())
        titles.append(conversation[QLatin1String("title")].toString());
    return titles;
}

QByteArray fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file and its write-ahead log, where a write lands first.
QByteArray fileAndLog(const QString &path)
{
    return fileContents(path) + fileContents(path + QStringLiteral("-wal"));
}

// Each case has a defaults file of its own and a manager made on its first
// use, which loads the saved conversations then, as the application's does.
class ConversationManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DateEnvironment::setCurrent(berlinEnvironment(m_now));
        AIManager::shared().resetForNewScreenshot();
        m_log.clear();
    }

    ConversationManager &manager()
    {
        if (!m_manager) {
            m_manager = std::make_unique<ConversationManager>(m_store.defaults());
            m_manager->loadConversations();
        }
        return *m_manager;
    }

    QDateTime at(int minutesBefore) const { return m_now.addSecs(-60 * minutesBefore); }

    // Saves a new conversation of the given questions about the screenshot,
    // as a capture's road does.
    void saveExchange(const QStringList &questions, const std::optional<QImage> &screenshot = std::nullopt)
    {
        manager().current().start(screenshot);
        QList<AIResponse> responses;
        for (const QString &question : questions)
            responses.append(answer(question, QStringLiteral("Answer to ") + question, at(5)));
        AIManager::shared().setResponses(responses);
        manager().saveCurrentConversation();
    }

    QList<FormatConversation> stored() const { return readByFormatOnly(m_store.path()); }
    NewProcessState nextStart() const { return readStoreInNewProcess(m_store.configHome()); }

    const QDateTime m_now = berlinTime(2024, 3, 15, 10, 0);
    LogCapture m_log;
    CaseStore m_store;
    std::unique_ptr<ConversationManager> m_manager;
};

} // namespace

TEST_F(ConversationManagerTest, SavesTheAnswersWithTheirScreenshotForAnotherProcessToRead)
{
    const QImage capture = sampleImage(64, 48);
    const QByteArray png = ImageData::pngData(capture);
    ConversationManager &manager = this->manager();
    manager.current().start(capture);
    AIManager::shared().setResponses(
        { answer(QStringLiteral("What is this?"), QStringLiteral("A cat."), at(3)),
            answer(QStringLiteral("Its colour?"), QStringLiteral("Grey."), at(1)) });
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
    ASSERT_EQ(manager.conversations().size(), 1);
    const Conversation &saved = manager.conversations().first();
    // From now on the current conversation is the saved one.
    ASSERT_TRUE(manager.currentConversation().has_value());
    EXPECT_EQ(manager.currentConversation()->id(), saved.id());
    EXPECT_EQ(saved.createdAt(), m_now);
    EXPECT_EQ(saved.screenshotData(), png);

    // What a reader of the format alone finds in the store.
    const QList<FormatConversation> stored = this->stored();
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

    EXPECT_EQ(stored[0].id, saved.id().toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(stored[0].record.keys(),
        QStringList({ QStringLiteral("createdAt"), QStringLiteral("id"), QStringLiteral("messages"),
            QStringLiteral("title") }));

    // What a new process of the application loads.
    const NewProcessState next = nextStart();
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

TEST_F(ConversationManagerTest, SavesWithoutScreenshotWhenThereIsNoneOrItCannotBeEncoded)
{
    saveExchange({ QStringLiteral("q") });
    EXPECT_TRUE(m_log.contains(QStringLiteral("⚠️ No screenshot found in either manager")));
    EXPECT_TRUE(m_log.contains(QStringLiteral("💾 Screenshot data available: false")));
    EXPECT_TRUE(
        m_log.contains(QStringLiteral("💾 Saved conversation: 'q' with 2 messages and screenshot: false")));
    EXPECT_FALSE(stored().first().png.has_value());
    EXPECT_FALSE(manager().conversations().first().screenshotData().has_value());

    m_log.clear();
    saveExchange({ QStringLiteral("r") }, QImage());
    EXPECT_EQ(m_log.lines().mid(1, 2),
        QStringList({ QStringLiteral("❌ Failed to convert image to PNG data"),
            QStringLiteral("💾 Screenshot data available: false") }));
    EXPECT_FALSE(stored().first().png.has_value());
}

TEST_F(ConversationManagerTest, StoresNothingWithoutAnswers)
{
    manager().saveCurrentConversation();

    EXPECT_TRUE(m_log.contains(QStringLiteral("💾 No AI responses to save")));
    EXPECT_TRUE(manager().conversations().isEmpty());
    EXPECT_TRUE(stored().isEmpty());
}

// A conversation is written once: a second save finds nothing new, and one
// after a further answer writes it into the same conversation, in place.
TEST_F(ConversationManagerTest, SavingTwiceStoresTheConversationOnce)
{
    saveExchange({ QStringLiteral("same") }, sampleImage(8, 8));
    saveExchange({ QStringLiteral("newer") });
    manager().loadConversation(manager().conversations().at(1));
    m_log.clear();
    manager().saveCurrentConversation();
    EXPECT_EQ(m_log.lines(), QStringList(QStringLiteral("💾 Skipping save - viewing existing conversation: 'same'")));

    AIManager::shared().setResponses(
        AIManager::shared().responses() + QList<AIResponse> { answer(QStringLiteral("more"), QStringLiteral("b"), m_now) });
    DateEnvironment::setCurrent(berlinEnvironment(m_now.addSecs(60)));
    manager().saveCurrentConversation();
    manager().saveCurrentConversation();

    const QList<Conversation> &conversations = manager().conversations();
    ASSERT_EQ(conversations.size(), 2);
    EXPECT_EQ(titlesOf(conversations), QStringList({ QStringLiteral("newer"), QStringLiteral("same") }));
    EXPECT_EQ(conversations[1].createdAt(), m_now);
    EXPECT_EQ(conversations[1].messages().size(), 4);
    const QList<FormatConversation> stored = this->stored();
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[1].messages.size(), 4);
    EXPECT_EQ(stored[1].png, ImageData::pngData(sampleImage(8, 8)));
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
    ConversationManager &manager = this->manager();
    manager.startNewConversation();
    manager.loadConversation(manager.conversations().first());
    ASSERT_TRUE(manager.currentConversation().has_value());
    m_log.clear();

    manager.saveCurrentConversation();
    EXPECT_EQ(m_log.lines(),
        QStringList(QStringLiteral("💾 Skipping save - viewing existing conversation: 'first'")));

    // Starting anew, with nothing new to save, resets the AI client and
    // leaves the viewing state.
    m_log.clear();
    QSignalSpy currentChanged(&manager, &ConversationManager::currentConversationChanged);
    manager.startNewConversation();
    EXPECT_EQ(m_log.lines(), QStringList({ QStringLiteral("🔄 AI Manager reset - cleared all responses") }));
    EXPECT_FALSE(manager.currentConversation().has_value());
    EXPECT_EQ(currentChanged.count(), 1);
    EXPECT_TRUE(AIManager::shared().responses().isEmpty());

    saveExchange({ QStringLiteral("second") });
    EXPECT_EQ(manager.conversations().size(), 2);

    // The chat window's Clear also ends viewing; with no answers the skip
    // line says so.
    manager.loadConversation(manager.conversations().first());
    manager.current().clear();
    EXPECT_FALSE(manager.currentConversation().has_value());
    m_log.clear();
    manager.saveCurrentConversation();
    EXPECT_EQ(m_log.lines(), QStringList(QStringLiteral("💾 No AI responses to save")));
    AIManager::shared().setResponses({ answer(QStringLiteral("third"), QStringLiteral("a"), at(1)) });
    manager.saveCurrentConversation();
    EXPECT_EQ(titlesOf(manager.conversations()),
        QStringList({ QStringLiteral("third"), QStringLiteral("second"), QStringLiteral("first") }));
}

// Ending a conversation never drops answers it has not saved yet.
TEST_F(ConversationManagerTest, StartingANewConversationSavesWhatIsUnsavedFirst)
{
    manager().current().start(sampleImage(6, 6));
    AIManager::shared().setResponses({ answer(QStringLiteral("q"), QStringLiteral("a"), at(1)) });
    manager().startNewConversation(std::nullopt);

    EXPECT_EQ(m_log.lines().last(), QStringLiteral("🔄 AI Manager reset - cleared all responses"));
    EXPECT_TRUE(AIManager::shared().responses().isEmpty());
    EXPECT_FALSE(manager().current().screenshotImage().has_value());
    EXPECT_EQ(titlesOf(stored()), QStringList(QStringLiteral("q")));
}

// A loaded conversation becomes the current one: its answers, their
// context and its screenshot, or none when it has no image of its own.
TEST_F(ConversationManagerTest, LoadingRestoresAnswersContextAndScreenshot)
{
    const QImage image = sampleImage(16, 12, 3);
    const QList<SavedMessage> threeMessages { SavedMessage(QStringLiteral("Q1"), true, at(9)),
        SavedMessage(QStringLiteral("A1"), false, at(8)), SavedMessage(QStringLiteral("Q2"), true, at(7)) };
    storeConversations(m_store.defaults(),
        {
            Conversation(QStringLiteral("with image"), at(10), ImageData::pngData(image), threeMessages),
            Conversation(QStringLiteral("without image"), at(20), std::nullopt, threeMessages.mid(0, 2)),
            Conversation(
                QStringLiteral("broken image"), at(30), QByteArray("not a png"), threeMessages.mid(0, 1)),
        });
    ConversationManager &manager = this->manager();
    CurrentConversation &current = manager.current();
    ASSERT_EQ(manager.conversations().size(), 3);
    AIManager &ai = AIManager::shared();
    current.start(sampleImage(5, 5, 9));
    ai.setIsProcessing(true);

    manager.loadConversation(manager.conversations()[0]);

    EXPECT_EQ(manager.currentConversation()->id(), manager.conversations()[0].id());
    const AIResponse restored { QStringLiteral("A1"), at(8), std::nullopt, QStringLiteral("Q1") };
    EXPECT_EQ(ai.responses(), QList<AIResponse>({ restored }));
    EXPECT_EQ(ai.lastResponse(), restored);
    ASSERT_TRUE(ai.conversationContext().has_value());
    EXPECT_EQ(ai.conversationContext()->originalQuestion, QStringLiteral("Q1"));
    EXPECT_EQ(ai.conversationContext()->aiResponse, QStringLiteral("A1"));
    // An analysis still running belonged to the conversation before.
    EXPECT_FALSE(ai.isProcessing());
    // Every line shows, the last one without a partner too.
    const QList<SavedMessage> lines = current.messages();
    ASSERT_EQ(lines.size(), 3);
    for (qsizetype i = 0; i < 3; ++i) {
        EXPECT_EQ(lines[i].content(), threeMessages[i].content());
        EXPECT_EQ(lines[i].isUser(), threeMessages[i].isUser());
        EXPECT_EQ(lines[i].timestamp(), threeMessages[i].timestamp());
    }
    ASSERT_TRUE(current.screenshotImage().has_value());
    EXPECT_EQ(current.screenshotImage()->convertToFormat(image.format()), image);
    EXPECT_EQ(current.screenshotData(), ImageData::pngData(image));
    EXPECT_TRUE(m_log.contains(QStringLiteral("📂 Loaded conversation: 'with image'")));

    // Without image bytes there is no screenshot: the one before does not stay.
    manager.loadConversation(manager.conversations()[1]);
    EXPECT_FALSE(current.screenshotImage().has_value());
    EXPECT_FALSE(current.screenshotData().has_value());
    EXPECT_EQ(current.messages().size(), 2);

    // Bytes that are no image show none but stay the conversation's; a
    // single message gives no answer, no latest answer and no context.
    manager.loadConversation(manager.conversations()[2]);
    EXPECT_FALSE(current.screenshotImage().has_value());
    EXPECT_EQ(current.screenshotData(), QByteArray("not a png"));
    EXPECT_TRUE(ai.responses().isEmpty());
    EXPECT_FALSE(ai.lastResponse().has_value());
    EXPECT_FALSE(ai.conversationContext().has_value());
    EXPECT_EQ(current.messages().size(), 1);
}

TEST_F(ConversationManagerTest, DeletingLeavesTheViewStateUnlessItWasTheViewedConversation)
{
    storeConversations(m_store.defaults(),
        { Conversation(QStringLiteral("viewed"), at(1), ImageData::pngData(sampleImage(4, 4)),
              { SavedMessage(QStringLiteral("q"), true, at(1)),
                  SavedMessage(QStringLiteral("a"), false, at(1)) }),
            Conversation(QStringLiteral("other"), at(2), std::nullopt, {}) });
    ConversationManager &manager = this->manager();
    CurrentConversation &current = manager.current();
    const Conversation viewed = manager.conversations()[0];
    const Conversation other = manager.conversations()[1];
    manager.loadConversation(viewed);
    QSignalSpy replaced(&current, &CurrentConversation::replaced);
    m_log.clear();

    manager.deleteConversation(other);
    EXPECT_EQ(m_log.lines(), QStringList(QStringLiteral("💾 Saved 1 conversations")));
    EXPECT_TRUE(manager.currentConversation().has_value());
    EXPECT_EQ(AIManager::shared().responses().size(), 1);
    EXPECT_EQ(current.messages().size(), 2);
    EXPECT_EQ(replaced.count(), 0);

    EXPECT_EQ(titlesOf(stored()), QStringList(QStringLiteral("viewed")));

    // Deleting what is not in the list still says the list is saved.
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
    EXPECT_TRUE(current.messages().isEmpty());
    EXPECT_EQ(replaced.count(), 1);
    // The screenshot stays: what is asked about it next is a new conversation.
    EXPECT_TRUE(current.screenshotImage().has_value());
    EXPECT_TRUE(stored().isEmpty());
}

TEST_F(ConversationManagerTest, TogglesTheSidebar)
{
    ConversationManager &manager = this->manager();
    QSignalSpy changed(&manager, &ConversationManager::isSidebarExpandedChanged);
    EXPECT_FALSE(manager.isSidebarExpanded());
    manager.toggleSidebar();
    EXPECT_TRUE(manager.isSidebarExpanded());
    manager.toggleSidebar();
    EXPECT_FALSE(manager.isSidebarExpanded());
    EXPECT_EQ(changed.count(), 2);
}

// A save or a deletion that the file does not take says so, waits, and is
// written with the next write: across a restart the store holds what the
// list showed, and "Saved n" counts what is stored.
TEST_F(ConversationManagerTest, AFailedWriteWaitsAndIsWrittenOnceTheFileTakesIt)
{
    saveExchange({ QStringLiteral("kept") });
    const Conversation kept = manager().conversations().first();
    {
        FailingWrites diskFull(m_store.path(), QStringLiteral("conversations"));
        m_log.clear();
        saveExchange({ QStringLiteral("waited") }, sampleImage(8, 6, 3));
        EXPECT_EQ(m_log.lines().last(), QStringLiteral("❌ Failed to save conversations: disk full"));
        EXPECT_TRUE(m_log.lines().filter(QStringLiteral("💾 Saved conversation")).isEmpty());
        EXPECT_EQ(titlesOf(manager().conversations()), QStringList({ QStringLiteral("waited"), QStringLiteral("kept") }));
        EXPECT_FALSE(manager().isSaved(manager().conversations().first().id()));
        EXPECT_TRUE(manager().isSaved(kept.id()));

        m_log.clear();
        manager().deleteConversation(kept);
        EXPECT_EQ(m_log.lines(), QStringList(QStringLiteral("❌ Failed to save conversations: disk full")));
        EXPECT_TRUE(manager().hasUnsavedChanges());
    }
    EXPECT_EQ(titlesOf(stored()), QStringList(QStringLiteral("kept")));

    // The next write takes everything that waited, in one transaction.
    m_log.clear();
    saveExchange({ QStringLiteral("next") });
    EXPECT_TRUE(m_log.contains(QStringLiteral("💾 Saved 2 conversations")));
    EXPECT_FALSE(manager().hasUnsavedChanges());
    for (const Conversation &listed : manager().conversations())
        EXPECT_TRUE(manager().isSaved(listed.id()));
    const QList<FormatConversation> rows = stored();
    EXPECT_EQ(titlesOf(rows), QStringList({ QStringLiteral("next"), QStringLiteral("waited") }));
    EXPECT_EQ(rows[1].png, ImageData::pngData(sampleImage(8, 6, 3)));

    // Across a restart: the deletion stays done, the waited save is there.
    m_manager.reset();
    AIManager::shared().resetForNewScreenshot();
    EXPECT_EQ(titlesOf(manager().conversations()), QStringList({ QStringLiteral("next"), QStringLiteral("waited") }));
    EXPECT_EQ(manager().conversations()[1].screenshotData(), ImageData::pngData(sampleImage(8, 6, 3)));

    // An answer without a time cannot be written at all: listed as not
    // saved, and what was stored stays.
    m_log.clear();
    manager().current().start(std::nullopt);
    AIManager::shared().setResponses({ answer(QStringLiteral("undated"), QStringLiteral("a"), QDateTime()) });
    manager().saveCurrentConversation();
    EXPECT_TRUE(m_log.contains(QStringLiteral(
        "❌ Failed to save conversations: The conversation 'undated' has a date without a value")));
    EXPECT_TRUE(m_log.lines().filter(QStringLiteral("💾 Saved")).isEmpty());
    EXPECT_FALSE(manager().isSaved(manager().conversations().first().id()));
    EXPECT_EQ(stored().size(), 2);
}

// Another program holding the file, or a full disk: the GUI thread does not
// wait for it, and what was saved meanwhile is written once the file is
// free again, by the retry in the background or at the next write.
TEST_F(ConversationManagerTest, ASaveUnderALockOrAFullDiskIsWrittenOnceTheFileIsFree)
{
    saveExchange({ QStringLiteral("first") });
    {
        DatabaseLock other(m_store.path(), DatabaseLock::Kind::WritesOnly);
        ASSERT_TRUE(other.isHeld());
        QElapsedTimer timer;
        timer.start();
        saveExchange({ QStringLiteral("under a lock") });
        EXPECT_LT(timer.elapsed(), returnsAtOnceMs);
        const QUuid id = manager().conversations().first().id();
        EXPECT_FALSE(manager().isSaved(id));
        other.release();
        // The retry in the background writes it: no further save needed.
        EXPECT_TRUE(QTest::qWaitFor([&] { return manager().isSaved(id); }, 10000));
    }
    EXPECT_EQ(titlesOf(stored()), QStringList({ QStringLiteral("under a lock"), QStringLiteral("first") }));

    {
        const std::optional<SqliteDiskFault> full(std::in_place, SqliteDiskFault::Kind::Full);
        saveExchange({ QStringLiteral("on a full disk") }, sampleImage(5, 5, 9));
        EXPECT_FALSE(manager().isSaved(manager().conversations().first().id()));
    }
    EXPECT_TRUE(manager().writeUnsaved());
    m_manager.reset();
    AIManager::shared().resetForNewScreenshot();
    EXPECT_EQ(titlesOf(manager().conversations()),
        QStringList({ QStringLiteral("on a full disk"), QStringLiteral("under a lock"), QStringLiteral("first") }));
    EXPECT_EQ(manager().conversations().first().screenshotData(), ImageData::pngData(sampleImage(5, 5, 9)));
}

// A deletion while another program reads the file, or holds it, returns to
// the event loop at once; the deletion is done then or later, never undone.
TEST_F(ConversationManagerTest, ADeletionWithTheFileHeldReturnsAtOnce)
{
    for (const bool exclusive : { false, true }) {
        SCOPED_TRACE(exclusive ? "held" : "read");
        saveExchange({ QStringLiteral("deleted") }, sampleImage(6, 6, 1));
        const Conversation deleted = manager().conversations().first();
        sqlite3 *reader = nullptr;
        std::optional<DatabaseLock> lock;
        if (exclusive) {
            lock.emplace(m_store.path(), DatabaseLock::Kind::WritesOnly);
            ASSERT_TRUE(lock->isHeld());
        } else {
            // A read that keeps its snapshot: the erase must wait for it.
            ASSERT_EQ(sqlite3_open(QFile::encodeName(m_store.path()).constData(), &reader), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM conversations", nullptr, nullptr, nullptr),
                SQLITE_OK);
        }
        QElapsedTimer timer;
        timer.start();
        manager().deleteConversation(deleted);
        EXPECT_LT(timer.elapsed(), returnsAtOnceMs);
        if (lock)
            lock->release();
        if (reader) {
            sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(reader);
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return !manager().hasUnsavedChanges(); }, 10000));
        EXPECT_TRUE(stored().isEmpty());
        m_manager.reset();
        AIManager::shared().resetForNewScreenshot();
        EXPECT_TRUE(manager().conversations().isEmpty());
    }
}

// The list is loaded without the screenshots; each is read back exactly
// when the conversation is reopened, and the list stays without them.
TEST_F(ConversationManagerTest, ScreenshotsAreReadFromTheStoreWhenNeeded)
{
    const QImage image = sampleImage(40, 30, 7);
    const QByteArray png = ImageData::pngData(image);
    saveExchange({ QStringLiteral("with a screenshot") }, image);
    saveExchange({ QStringLiteral("without") });
    m_manager.reset();
    AIManager::shared().resetForNewScreenshot();

    const Conversation listed = manager().conversations()[1];
    EXPECT_FALSE(listed.holdsScreenshotBytes());
    EXPECT_TRUE(listed.hasScreenshot());
    EXPECT_FALSE(manager().conversations()[0].hasScreenshot());
    EXPECT_EQ(listed.screenshotData(), png);

    manager().loadConversation(listed);
    CurrentConversation &current = manager().current();
    EXPECT_EQ(current.screenshotData(), png);
    ASSERT_TRUE(current.screenshotImage().has_value());
    EXPECT_EQ(current.screenshotImage()->convertToFormat(QImage::Format_RGB32), image.convertToFormat(QImage::Format_RGB32));
    EXPECT_FALSE(manager().conversations()[1].holdsScreenshotBytes());

    // A follow-up saved into it keeps the same bytes, and the list lets go
    // of them once they are stored.
    AIManager::shared().setResponses(AIManager::shared().responses() + QList<AIResponse> { answer(QStringLiteral("more"), QStringLiteral("a"), at(1)) });
    manager().saveCurrentConversation();
    EXPECT_FALSE(manager().conversations()[1].holdsScreenshotBytes());
    EXPECT_EQ(stored()[1].png, png);

    // The small picture is made once and kept beside the row.
    const std::optional<QByteArray> thumbnail = manager().conversations()[1].thumbnailData();
    ASSERT_TRUE(thumbnail.has_value());
    EXPECT_EQ(QImage::fromData(*thumbnail).size(), QSize(96, 96));
    m_manager.reset();
    AIManager::shared().resetForNewScreenshot();
    EXPECT_EQ(manager().conversations()[1].thumbnailData(), thumbnail);
}

// A store written by the previous version (the same two tables, nothing
// else) opens as it is and keeps every conversation; what this version adds
// (the small pictures) leaves those tables as that version checks them, and
// a deletion erases its picture with its row.
TEST_F(ConversationManagerTest, AStoreOfThePreviousFormatOpensAndStaysReadableByIt)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(m_store.path()).absolutePath()));
    {
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(m_store.path()).constData(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                      "PRAGMA page_size = 65536; PRAGMA journal_mode = WAL;"
                      "CREATE TABLE defaults(key TEXT PRIMARY KEY NOT NULL, value);"
                      "CREATE TABLE conversations(id TEXT PRIMARY KEY NOT NULL, position INTEGER NOT NULL, "
                      "record BLOB NOT NULL, screenshot BLOB);"
                      "INSERT INTO defaults VALUES('hasCompletedOnboarding', 1)",
                      nullptr, nullptr, nullptr),
            SQLITE_OK);
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO conversations VALUES(?1, ?2, ?3, ?4)", -1, &insert, nullptr);
        for (int i = 0; i < 5; ++i) {
            const Conversation conversation(QStringLiteral("old %1").arg(i), at(10 - i), std::nullopt,
                { SavedMessage(QStringLiteral("q"), true, at(10 - i)), SavedMessage(QStringLiteral("a"), false, at(10 - i)) });
            const QByteArray record = *ConversationJson::encodeRecord(conversation);
            const QByteArray id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toUtf8();
            const QByteArray png = ImageData::pngData(sampleImage(20, 10, i));
            sqlite3_reset(insert);
            sqlite3_bind_text(insert, 1, id.constData(), int(id.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(insert, 2, i + 1);
            sqlite3_bind_blob(insert, 3, record.constData(), int(record.size()), SQLITE_TRANSIENT);
            if (i % 2 == 0)
                sqlite3_bind_blob(insert, 4, png.constData(), int(png.size()), SQLITE_TRANSIENT);
            else
                sqlite3_bind_null(insert, 4);
            ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
        }
        sqlite3_finalize(insert);
        sqlite3_close(db);
    }
    m_store.reopen();

    const QList<Conversation> conversations = manager().conversations();
    ASSERT_EQ(titlesOf(conversations),
        QStringList({ QStringLiteral("old 4"), QStringLiteral("old 3"), QStringLiteral("old 2"),
            QStringLiteral("old 1"), QStringLiteral("old 0") }));
    for (int i = 0; i < 5; ++i) {
        const Conversation &conversation = conversations[4 - i];
        EXPECT_EQ(conversation.screenshotData(),
            i % 2 == 0 ? std::optional<QByteArray>(ImageData::pngData(sampleImage(20, 10, i))) : std::nullopt);
        EXPECT_EQ(conversation.thumbnailData().has_value(), i % 2 == 0);
    }
    manager().deleteConversation(conversations[0]);

    // What the previous version checks at open: these two tables, with these
    // columns, and no other.
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(m_store.path()).constData(), &db), SQLITE_OK);
    QStringList schema;
    sqlite3_stmt *select = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM sqlite_schema WHERE type = 'table' ORDER BY name", -1, &select, nullptr);
    while (sqlite3_step(select) == SQLITE_ROW)
        schema.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(select, 0))));
    sqlite3_finalize(select);
    for (const char *table : { "conversations", "defaults" }) {
        sqlite3_prepare_v2(db, (QByteArray("PRAGMA table_info(") + table + ")").constData(), -1, &select, nullptr);
        QStringList columns;
        while (sqlite3_step(select) == SQLITE_ROW)
            columns.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(select, 1))));
        sqlite3_finalize(select);
        schema.append(columns.join(QLatin1Char(',')));
    }
    int pictures = -1;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM defaults WHERE key LIKE 'ConversationThumbnail.%'", -1, &select, nullptr);
    if (sqlite3_step(select) == SQLITE_ROW)
        pictures = sqlite3_column_int(select, 0);
    sqlite3_finalize(select);
    sqlite3_close(db);
    EXPECT_EQ(schema,
        QStringList({ QStringLiteral("conversations"), QStringLiteral("defaults"),
            QStringLiteral("id,position,record,screenshot"), QStringLiteral("key,value") }));
    EXPECT_EQ(pictures, 2); // three made, one erased with its row
    EXPECT_EQ(stored().size(), 4);
}

// The list an earlier version kept as one value becomes rows at the first
// load, and the value is gone with the same write.
TEST_F(ConversationManagerTest, ASingleValueOfAnEarlierVersionIsMovedIntoRowsOnce)
{
    const QByteArray png = ImageData::pngData(sampleImage(30, 20, 5));
    storeConversations(m_store.defaults(),
        { Conversation(QStringLiteral("newer"), at(1), png,
              { SavedMessage(QStringLiteral("q"), true, at(1)),
                  SavedMessage(QStringLiteral("a"), false, at(1)) }),
            Conversation(QStringLiteral("older"), at(9), std::nullopt, {}) });

    EXPECT_EQ(titlesOf(manager().conversations()),
        QStringList({ QStringLiteral("newer"), QStringLiteral("older") }));
    EXPECT_EQ(m_log.lines(),
        QStringList({ QStringLiteral("📂 Moved 2 conversations saved as one value into rows of their own"),
            QStringLiteral("📂 Loaded 2 conversations") }));
    EXPECT_FALSE(m_store.defaults().contains(conversationsKey));
    const QList<FormatConversation> rows = stored();
    ASSERT_EQ(titlesOf(rows), QStringList({ QStringLiteral("newer"), QStringLiteral("older") }));
    EXPECT_EQ(rows[0].png, png);
    EXPECT_EQ(rows[0].messages.size(), 2);
    EXPECT_EQ(rows[0].createdAt, at(1));

    const NewProcessState next = nextStart();
    EXPECT_EQ(next.logLines, QStringList(QStringLiteral("📂 Loaded 2 conversations")));
    EXPECT_EQ(titlesOf(next.state), QStringList({ QStringLiteral("newer"), QStringLiteral("older") }));
}

// A single value that cannot be decoded stays where it is until the first
// save moves it out of the store, into a file beside it that the user can
// remove, leaving no copy and no byte of it in the store; never again after.
TEST_F(ConversationManagerTest, AnUndecodableSingleValueIsMovedToAFileByTheFirstSaveOnly)
{
    QByteArray damaged = R"([{"title":"cut off","createdAt":7,"screenshotData":")";
    damaged += QByteArray(8 * 1024 * 1024, 'A'); // most of a large list, its end cut off
    for (qsizetype i = 40; i < damaged.size(); i += 4099)
        damaged[i] = "QRSTUVWXYZ"[(i / 4099) % 10]; // not one repeated run
    m_store.defaults().setData(conversationsKey, damaged);
    const QString folder = QFileInfo(m_store.path()).absolutePath();
    // A file of this second is there already: the value gets the next name.
    QFile older(folder + QStringLiteral("/SavedConversations.unreadable-20240315-090000"));
    ASSERT_TRUE(older.open(QIODevice::WriteOnly));
    older.write("older copy");
    older.close();
    const QString aside = folder + QStringLiteral("/SavedConversations.unreadable-20240315-090000-2");

    manager();
    ASSERT_EQ(m_log.lines().size(), 1);
    EXPECT_TRUE(m_log.lines()[0].startsWith(QStringLiteral("❌ Failed to load conversations: ")));
    EXPECT_TRUE(manager().conversations().isEmpty());
    // Loading again, as each start does, moves nothing.
    EXPECT_TRUE(nextStart().logLines.value(0).startsWith(QStringLiteral("❌ Failed to load conversations: ")));
    EXPECT_FALSE(QFileInfo::exists(aside));
    EXPECT_EQ(m_store.defaults().dataForKey(conversationsKey), damaged);
    const qint64 storeSize = QFileInfo(m_store.path()).size();

    m_log.clear();
    saveExchange({ QStringLiteral("after") });
    EXPECT_EQ(m_log.lines().value(2),
        QStringLiteral("⚠️ Saved conversations could not be read; they were moved to %1").arg(aside));
    QFile moved(aside);
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
    EXPECT_EQ(moved.readAll(), damaged);
    EXPECT_EQ(
        moved.permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
        QFile::Permissions());
    EXPECT_FALSE(m_store.defaults().contains(conversationsKey));
    EXPECT_LE(QFileInfo(m_store.path()).size(), storeSize + 1024 * 1024) << "the store holds no copy of it";
    QFile store(m_store.path());
    ASSERT_TRUE(store.open(QIODevice::ReadOnly));
    QFile log(m_store.path() + QStringLiteral("-wal"));
    log.open(QIODevice::ReadOnly);
    const QByteArray storeBytes = store.readAll() + log.readAll();
    for (const qsizetype at : { qsizetype(0), qsizetype(4 * 1024 * 1024), damaged.size() - 100 })
        EXPECT_FALSE(storeBytes.contains(damaged.mid(at, 100))) << "bytes at " << at;

    m_log.clear();
    saveExchange({ QStringLiteral("again") });
    EXPECT_TRUE(m_log.lines().filter(QStringLiteral("⚠️ Saved conversations")).isEmpty());
    const NewProcessState next = nextStart();
    EXPECT_EQ(next.logLines, QStringList(QStringLiteral("📂 Loaded 2 conversations")));

    // A value of another kind is moved as it is.
    CaseStore other;
    other.defaults().setString(conversationsKey, QStringLiteral("[]"));
    ConversationManager otherManager(other.defaults());
    otherManager.loadConversations();
    EXPECT_TRUE(
        m_log.contains(QStringLiteral("❌ Failed to load conversations: The stored value is not data")));
    AIManager::shared().setResponses({ answer(QStringLiteral("q"), QStringLiteral("a"), at(1)) });
    otherManager.saveCurrentConversation();
    QFile otherAside(QFileInfo(other.path()).absolutePath()
        + QStringLiteral("/SavedConversations.unreadable-20240315-090000"));
    ASSERT_TRUE(otherAside.open(QIODevice::ReadOnly));
    EXPECT_EQ(otherAside.readAll(), QByteArray("[]"));
    EXPECT_FALSE(other.defaults().contains(conversationsKey));
}

// Another program writing holds up no load; one that keeps the file to
// itself for a while is waited for; for longer, the load fails, says so, and
// no save afterwards loses what it could not read.
TEST_F(ConversationManagerTest, ALockDuringTheLoadNeverEmptiesTheStoredList)
{
    for (int i = 0; i < 10; ++i)
        saveExchange({ QStringLiteral("saved %1").arg(i) });
    // The next start, with an AI client that holds nothing yet.
    m_manager.reset();
    AIManager::shared().resetForNewScreenshot();
    {
        sqlite3 *writer = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(m_store.path()).constData(), &writer), SQLITE_OK);
        ASSERT_EQ(
            sqlite3_exec(writer, "BEGIN IMMEDIATE; DELETE FROM conversations", nullptr, nullptr, nullptr),
            SQLITE_OK);
        m_log.clear();
        EXPECT_EQ(manager().conversations().size(), 10);
        sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(writer);
    }
    m_manager.reset();
    m_store.reopen();
    {
        DatabaseLock other(m_store.path());
        ASSERT_TRUE(other.isHeld());
        other.releaseAfter(std::chrono::milliseconds(1500));
        m_log.clear();
        EXPECT_EQ(manager().conversations().size(), 10);
        EXPECT_EQ(m_log.lines(), QStringList(QStringLiteral("📂 Loaded 10 conversations")));
    }
    m_manager.reset();
    m_store.reopen();

    DatabaseLock other(m_store.path());
    ASSERT_TRUE(other.isHeld());
    m_log.clear();
    EXPECT_TRUE(manager().conversations().isEmpty());
    EXPECT_EQ(m_log.lines().filter(QStringLiteral("📂")), QStringList());
    EXPECT_EQ(m_log.lines().last(), QStringLiteral("❌ Failed to load conversations: database is locked"));
    other.release();

    // The next save loads them again before it adds its own.
    saveExchange({ QStringLiteral("new") });
    EXPECT_EQ(manager().conversations().size(), 11);
    EXPECT_EQ(manager().conversations().first().title(), QStringLiteral("new"));
    EXPECT_TRUE(m_log.contains(QStringLiteral("💾 Saved 11 conversations")));
    EXPECT_EQ(stored().size(), 11);
    EXPECT_EQ(nextStart().logLines, QStringList(QStringLiteral("📂 Loaded 11 conversations")));
}

// SQLite holds a value of at most a billion bytes: the list as one value
// stopped there (about 700 conversations with screenshots of a megabyte).
// Here the limit is lowered so that a handful of conversations reach it.
TEST_F(ConversationManagerTest, MoreConversationsThanOneValueCouldHold)
{
    const SqliteLengthLimit limit(2 * 1024 * 1024);
    QList<QByteArray> screenshots;
    for (int i = 0; i < 12; ++i) {
        QImage noise(320, 240, QImage::Format_RGB32);
        QRandomGenerator generator(i);
        generator.fillRange(reinterpret_cast<quint32 *>(noise.bits()), noise.sizeInBytes() / 4);
        saveExchange({ QStringLiteral("conversation %1").arg(i) }, noise);
        screenshots.prepend(ImageData::pngData(noise));
    }
    const std::optional<QByteArray> asOneValue = ConversationJson::encode(manager().conversations());
    ASSERT_GT(asOneValue->size(), 2 * 1024 * 1024);
    UserDefaults limited(m_store.path());
    EXPECT_FALSE(limited.setData(QStringLiteral("AllAtOnce"), *asOneValue));

    ConversationManager next(limited);
    next.loadConversations();
    ASSERT_EQ(next.conversations().size(), 12);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(next.conversations()[i].screenshotData(), screenshots[i]);
}

TEST_F(ConversationManagerTest, ADeletedConversationLeavesNoTraceInTheFile)
{
    QList<QByteArray> screenshots;
    for (const QString &title : { QStringLiteral("Kept before"), QStringLiteral("Secret plans for Friday"),
             QStringLiteral("Kept after") }) {
        QImage noise(400, 300, QImage::Format_RGB32);
        QRandomGenerator generator(qHash(title));
        generator.fillRange(reinterpret_cast<quint32 *>(noise.bits()), noise.sizeInBytes() / 4);
        saveExchange({ title }, noise);
        screenshots.append(ImageData::pngData(noise));
    }
    const QByteArray secretPng = screenshots[1];
    QByteArray before = fileAndLog(m_store.path());
    ASSERT_TRUE(before.contains("Secret plans for Friday"));
    ASSERT_TRUE(before.contains(secretPng.mid(secretPng.size() / 2, 64)));

    manager().deleteConversation(manager().conversations()[1]);

    const QByteArray after = fileAndLog(m_store.path());
    for (const QByteArray &trace :
        { QByteArray("Secret plans for Friday"), QByteArray("Answer to Secret plans"), secretPng.mid(100, 64),
            secretPng.mid(secretPng.size() / 2, 64), secretPng.right(64) })
        EXPECT_FALSE(after.contains(trace)) << trace.left(24).toStdString();
    EXPECT_TRUE(after.contains(screenshots[0].mid(screenshots[0].size() / 2, 64)));
    EXPECT_TRUE(after.contains("Kept after"));
    EXPECT_FALSE(QFile::exists(m_store.path() + QStringLiteral("-journal")));
}

// Two programs saving at the same time each keep their own conversations;
// neither writes over the other's.
TEST_F(ConversationManagerTest, TwoProgramsSavingAtOnceKeepEachOthersConversations)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_store.configHome());
    QProcess first;
    QProcess second;
    for (QProcess *writer : { &first, &second })
        writer->setProcessEnvironment(environment);
    first.start(QStringLiteral(STORE_WRITER),
        { QStringLiteral("save"), QStringLiteral("first"), QStringLiteral("15") });
    second.start(QStringLiteral(STORE_WRITER),
        { QStringLiteral("save"), QStringLiteral("second"), QStringLiteral("15") });
    for (QProcess *writer : { &first, &second }) {
        ASSERT_TRUE(writer->waitForFinished(60000));
        EXPECT_EQ(writer->exitCode(), 0) << writer->readAllStandardError().toStdString();
    }

    QStringList titles = titlesOf(stored());
    EXPECT_EQ(titles.size(), 30);
    titles.sort();
    QStringList expected;
    for (const char *writer : { "first", "second" })
        for (int i = 0; i < 15; ++i)
            expected.append(
                QStringLiteral("%1 %2").arg(QLatin1String(writer)).arg(i, 2, 10, QLatin1Char('0')));
    EXPECT_EQ(titles, expected);
    EXPECT_EQ(manager().conversations().size(), 30);
}

// A program killed at any moment of a save or a deletion leaves the list
// as it was before that operation or as it is after it, never in between.
TEST_F(ConversationManagerTest, AKillAtAnyMomentLeavesTheListBeforeOrAfterOneOperation)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_store.configHome());
    QStringList expected; // titles, newest first
    QRandomGenerator random(20240315);
    int cutOffMidOperation = 0;
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        QProcess writer;
        writer.setProcessEnvironment(environment);
        writer.start(
            QStringLiteral(STORE_WRITER), { QStringLiteral("churn"), QStringLiteral("r%1").arg(round) });
        QByteArray output;
        const QElapsedTimer started = [] {
            QElapsedTimer timer;
            timer.start();
            return timer;
        }();
        while (!output.contains("OP loaded") && started.elapsed() < 30000 && writer.waitForReadyRead(30000))
            output += writer.readAllStandardOutput();
        ASSERT_TRUE(output.contains("OP loaded"));
        const int delay = int(random.bounded(150));
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < delay)
            writer.waitForReadyRead(delay - int(waited.elapsed()));
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(30000));
        output += writer.readAllStandardOutput();

        // What the writer reported finished, and what it had begun.
        std::optional<QString> begun;
        for (const QByteArray &line : output.split('\n')) {
            if (!line.startsWith("OP "))
                continue;
            const QString operation = QString::fromUtf8(line.mid(3));
            if (operation == QLatin1String("done")) {
                if (begun->startsWith(QLatin1String("save ")))
                    expected.prepend(begun->mid(5));
                else
                    expected.removeAll(begun->mid(7));
                begun.reset();
            } else if (operation.startsWith(QLatin1String("save "))
                || operation.startsWith(QLatin1String("delete "))) {
                begun = operation;
            }
        }
        QStringList after = expected;
        if (begun) {
            ++cutOffMidOperation;
            if (begun->startsWith(QLatin1String("save ")))
                after.prepend(begun->mid(5));
            else
                after.removeAll(begun->mid(7));
        }

        const QList<FormatConversation> rows = stored();
        const QStringList titles = titlesOf(rows);
        EXPECT_TRUE(titles == expected || titles == after)
            << "stored: " << titles.join(QLatin1Char(',')).toStdString()
            << "\nbefore: " << expected.join(QLatin1Char(',')).toStdString()
            << "\nafter: " << after.join(QLatin1Char(',')).toStdString();
        for (const FormatConversation &row : rows) {
            EXPECT_EQ(row.messages.size(), 2) << row.title.toStdString();
            EXPECT_EQ(row.png.value_or(QByteArray()).size(), rows.first().png.value_or(QByteArray()).size());
        }
        expected = titles;
    }
    RecordProperty("cutOffMidOperation", cutOffMidOperation);
    EXPECT_EQ(manager().conversations().size(), expected.size());
}

// The list loads on a worker: the call returns at once, also while the
// file is locked, and the conversations appear when they are read.
TEST_F(ConversationManagerTest, TheListLoadsInTheBackgroundAndASaveWaitsForIt)
{
    for (int i = 0; i < 3; ++i)
        saveExchange({ QStringLiteral("saved %1").arg(i) });
    m_manager.reset();
    m_log.clear();

    // Nothing is read before the worker does: the file is another
    // program's for a while, and the call does not wait for it.
    UserDefaults &defaults = m_store.reopen();
    DatabaseLock other(m_store.path());
    ASSERT_TRUE(other.isHeld());
    other.releaseAfter(std::chrono::milliseconds(2000));
    ConversationManager next(defaults);
    QSignalSpy changed(&next, &ConversationManager::conversationsChanged);
    next.loadConversationsInBackground();
    EXPECT_TRUE(other.isHeld());
    EXPECT_TRUE(next.conversations().isEmpty());
    ASSERT_TRUE(changed.wait(15000));
    EXPECT_EQ(titlesOf(next.conversations()),
        QStringList({ QStringLiteral("saved 2"), QStringLiteral("saved 1"), QStringLiteral("saved 0") }));
    EXPECT_EQ(m_log.lines(), QStringList(QStringLiteral("📂 Loaded 3 conversations")));

    // A save that comes first waits for the load: nothing lost or loaded twice.
    ConversationManager third(m_store.defaults());
    QSignalSpy thirdChanged(&third, &ConversationManager::conversationsChanged);
    third.loadConversationsInBackground();
    AIManager::shared().setResponses({ answer(QStringLiteral("early"), QStringLiteral("a"), at(1)) });
    third.saveCurrentConversation();
    QCoreApplication::processEvents(); // the load's own report of its end
    EXPECT_EQ(titlesOf(third.conversations()),
        QStringList({ QStringLiteral("early"), QStringLiteral("saved 2"), QStringLiteral("saved 1"),
            QStringLiteral("saved 0") }));
    EXPECT_EQ(thirdChanged.count(), 2);
    EXPECT_EQ(stored().size(), 4);
}
