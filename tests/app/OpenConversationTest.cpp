// Reopening a saved conversation in the chat window: its messages paired
// into answers, its screenshot, and the log of both; what is asked in it
// then goes into it.

#include "AppTestSupport.h"
#include "MenuBarTestSupport.h"
#include "app/MenuBarView.h"
#include "chat/ChatWindowManager.h"
#include "platform/UserDefaults.h"
#include "store/ConversationManager.h"
#include "support/FakeAIService.h"
#include "support/ScopedEndpoints.h"

#include <QApplication>
#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace MenuBarTestSupport;

namespace {

const QDateTime start(QDate(2024, 3, 15), QTime(9, 0), Qt::UTC);

Conversation withMessages(const QList<SavedMessage> &messages, const std::optional<QByteArray> &screenshot)
{
    return Conversation(QStringLiteral("Saved"), start, screenshot, messages);
}

bool chatWindowShown()
{
    for (const QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowTitle() == QLatin1String("Pexilo Chat"))
            return true;
    return false;
}

QImage filled(const QColor &colour)
{
    QImage image(40, 30, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// The saved conversation with that title, as a new start of the program
// reads it from the defaults file.
std::optional<Conversation> storedNamed(const QString &title)
{
    ConversationManager reader(UserDefaults::standard());
    reader.loadConversations();
    for (const Conversation &conversation : reader.conversations())
        if (conversation.title() == title)
            return conversation;
    return std::nullopt;
}

QStringList contentsOf(const std::optional<Conversation> &conversation)
{
    QStringList contents;
    for (const SavedMessage &message : conversation ? conversation->messages() : QList<SavedMessage>())
        contents << message.content();
    return contents;
}

class OpenConversationTest : public ::testing::Test
{
protected:
    void SetUp() override { resetSharedObjects(); }
    void TearDown() override { resetSharedObjects(); }
};

} // namespace

TEST(ConversationToAIResponsesTest, PairsMessagesByPositionAndDropsALastOneWithoutPartner)
{
    const QString warning = QStringLiteral("⚠️ Odd number of messages, skipping last message");
    const struct
    {
        int messages;
        int answers;
        bool warns;
    } cases[] = { { 0, 0, false }, { 1, 0, true }, { 4, 2, false }, { 5, 2, true } };
    for (const auto &c : cases) {
        LogCapture log;
        const QList<AIResponse> responses
            = MenuBarView::conversationToAIResponses(conversation(QStringLiteral("T"), start, c.messages));
        ASSERT_EQ(responses.size(), c.answers) << c.messages;
        for (qsizetype i = 0; i < responses.size(); ++i) {
            EXPECT_EQ(responses[i].question, QStringLiteral("Question %1").arg(i + 1));
            EXPECT_EQ(responses[i].content, QStringLiteral("Answer %1").arg(i + 1));
            // The time of the answer, the second of its pair.
            EXPECT_EQ(responses[i].timestamp, start.addSecs(60 * (2 * i + 1)));
            EXPECT_FALSE(responses[i].action.has_value());
        }
        EXPECT_EQ(log.lines().first(),
            QStringLiteral("🔄 Converting conversation with %1 messages").arg(c.messages));
        EXPECT_EQ(log.lines().contains(warning), c.warns) << c.messages;
        EXPECT_EQ(log.lines().last(), QStringLiteral("✅ Converted to %1 AI responses").arg(c.answers));
    }
}

TEST(ConversationToAIResponsesTest, TakesTheFirstOfEachPairAsTheQuestionWhoeverWroteIt)
{
    const QDateTime later = start.addSecs(30);
    const QList<AIResponse> responses = MenuBarView::conversationToAIResponses(
        withMessages({ SavedMessage(QStringLiteral("An answer stored first"), false, start),
                         SavedMessage(QStringLiteral("A question stored second"), true, later) },
            std::nullopt));

    ASSERT_EQ(responses.size(), 1);
    EXPECT_EQ(responses[0].question, QStringLiteral("An answer stored first"));
    EXPECT_EQ(responses[0].content, QStringLiteral("A question stored second"));
    EXPECT_EQ(responses[0].timestamp, later);
}

TEST(ConversationToAIResponsesTest, LogsEachPairCutAfterFiftyCharactersAsTheUserSeesThem)
{
    // Fifty characters, one of them an emoji of two UTF-16 units, another a
    // letter with a combining accent; then more.
    const QString fifty = QStringLiteral("😀e\u0301") + QString(48, QLatin1Char('x'));
    LogCapture log;
    MenuBarView::conversationToAIResponses(
        withMessages({ SavedMessage(QStringLiteral("Ten chars!"), true, start),
                         SavedMessage(fifty + QStringLiteral(" and the rest"), false, start) },
            std::nullopt));

    EXPECT_EQ(log.lines(),
        QStringList({ QStringLiteral("🔄 Converting conversation with 2 messages"),
            QStringLiteral("🔄 Converting pair: 'Ten chars!...' -> '") + fifty + QStringLiteral("...'"),
            QStringLiteral("✅ Converted to 1 AI responses") }));
}

TEST_F(OpenConversationTest, OpensTheChatWindowWithTheScreenshotAndTheAnswers)
{
    const Conversation saved = conversation(QStringLiteral("A chart"), start, 4);
    // The chat window lists the saved conversations: the store has loaded
    // them before, as the application's start does.
    ConversationManager::shared();
    LogCapture log;

    MenuBarView::openConversation(saved);

    EXPECT_EQ(log.lines(),
        QStringList({ QStringLiteral("🔍 Opening conversation: A chart"),
            QStringLiteral("🔍 Messages count: 4"), QStringLiteral("🔍 Has screenshot data: true"),
            QStringLiteral("✅ Screenshot loaded successfully, size: (40.0, 30.0)"),
            QStringLiteral("🔄 Converting conversation with 4 messages"),
            QStringLiteral("🔄 Converting pair: 'Question 1...' -> 'Answer 1...'"),
            QStringLiteral("🔄 Converting pair: 'Question 2...' -> 'Answer 2...'"),
            QStringLiteral("✅ Converted to 2 AI responses"), QStringLiteral("🔄 Created 2 AI responses"),
            QStringLiteral("🪟 Opening chat window..."), QStringLiteral("✅ Chat window opened") }));
    const ChatWindowManager &chat = ChatWindowManager::shared();
    EXPECT_TRUE(chat.isOpen());
    EXPECT_TRUE(chatWindowShown());
    ASSERT_TRUE(chat.currentScreenshot().has_value());
    EXPECT_EQ(chat.currentScreenshot()->size(), QSize(40, 30));
    QStringList transcript;
    for (const ChatMessage &message : chat.messages())
        transcript.append(message.content());
    EXPECT_EQ(transcript, QStringList({ "Question 1", "Answer 1", "Question 2", "Answer 2" }));
}

TEST_F(OpenConversationTest, OpensWithNoAnswersWhenThereAreNoMessages)
{
    MenuBarView::openConversation(conversation(QStringLiteral("Empty"), start, 0));

    EXPECT_TRUE(ChatWindowManager::shared().isOpen());
    EXPECT_TRUE(ChatWindowManager::shared().messages().isEmpty());
    EXPECT_TRUE(ChatWindowManager::shared().currentScreenshot().has_value());
}

TEST_F(OpenConversationTest, OpensNothingWithoutAScreenshotThatIsAnImage)
{
    const struct
    {
        const char *name;
        std::optional<QByteArray> bytes;
        const char *hasData;
    } cases[] = {
        { "no bytes", std::nullopt, "false" },
        { "not an image", QByteArrayLiteral("\x89PNG but not really"), "true" },
        { "empty", QByteArray(), "true" },
    };
    for (const auto &c : cases) {
        LogCapture log;
        MenuBarView::openConversation(conversation(QStringLiteral("Broken"), start, 2, c.bytes));

        EXPECT_EQ(log.lines(),
            QStringList(
                { QStringLiteral("🔍 Opening conversation: Broken"), QStringLiteral("🔍 Messages count: 2"),
                    QStringLiteral("🔍 Has screenshot data: ") + QLatin1String(c.hasData),
                    QStringLiteral("❌ No screenshot data available for conversation") }))
            << c.name;
        EXPECT_FALSE(ChatWindowManager::shared().isOpen()) << c.name;
        EXPECT_FALSE(ChatWindowManager::shared().currentScreenshot().has_value()) << c.name;
        EXPECT_FALSE(chatWindowShown()) << c.name;
    }
}

// Questions asked in a conversation reopened from the tray panel go into it,
// sent with its own exchange as context. Opening another one from the panel
// while the chat is open saves the shown one first; each keeps its own
// screenshot, and no conversation is added.
TEST_F(OpenConversationTest, QuestionsInAReopenedConversationGoIntoItWithItsOwnScreenshot)
{
    FakeAIService service;
    ScopedEndpoints endpoints(service.baseUrl());
    UserDefaults::standard().setString(QStringLiteral("apiKey"), QStringLiteral("sk-test-key"));
    const QByteArray redPng = pngBytes(filled(Qt::red));
    const QByteArray greenPng = pngBytes(filled(Qt::green));
    storeConversations({ conversation(QStringLiteral("Red"), start, 4, redPng),
        conversation(QStringLiteral("Green"), start.addSecs(-60), 2, greenPng) });
    ConversationManager &store = ConversationManager::shared();
    const Conversation red = store.conversations().at(0);
    const Conversation green = store.conversations().at(1);
    ChatWindowManager &chat = ChatWindowManager::shared();
    const auto ask = [&](const QString &question) {
        ASSERT_TRUE(chat.sendMessage(question));
        ASSERT_TRUE(QTest::qWaitFor([&chat] { return !chat.isProcessing(); }, 10000));
    };
    const auto prompt = [&service](int index) {
        const QList<RecordedRequest> requests = service.requests("POST", "/v1/chat/completions");
        return QJsonDocument::fromJson(requests.value(index).body)[QStringLiteral("messages")][0][QStringLiteral(
            "content")][0][QStringLiteral("text")]
            .toString();
    };

    MenuBarView::openConversation(red);
    ask(QStringLiteral("About red?"));
    EXPECT_TRUE(prompt(0).contains(QStringLiteral("Original question: Question 1\n"))) << prompt(0).toStdString();
    EXPECT_TRUE(prompt(0).contains(QStringLiteral("Previous AI response: Answer 2\n")));

    // Another one from the panel while the chat is open.
    MenuBarView::openConversation(green);
    EXPECT_EQ(contentsOf(storedNamed(QStringLiteral("Red"))).mid(4).value(0), QStringLiteral("About red?"));
    ask(QStringLiteral("About green?"));
    EXPECT_TRUE(prompt(1).contains(QStringLiteral("Previous AI response: Answer 1\n")));
    chat.closeWindow(); // as Escape does

    const std::optional<Conversation> storedRed = storedNamed(QStringLiteral("Red"));
    const std::optional<Conversation> storedGreen = storedNamed(QStringLiteral("Green"));
    ASSERT_TRUE(storedRed && storedGreen);
    EXPECT_EQ(store.conversations().size(), 2);
    EXPECT_EQ(contentsOf(storedRed).size(), 6);
    EXPECT_EQ(storedRed->screenshotData(), redPng);
    EXPECT_EQ(contentsOf(storedGreen),
        QStringList({ "Question 1", "Answer 1", "About green?", contentsOf(storedGreen).value(3) }));
    EXPECT_EQ(storedGreen->screenshotData(), greenPng);
}
