#include "ChatFixture.h"
#include "capture/CustomOverlayView.h"
#include "capture/ScreenshotManager.h"

#include <QSignalSpy>
#include <QWindow>

namespace {

const QDateTime first(QDate(2024, 3, 15), QTime(9, 0), Qt::UTC);

AIResponse answer(const QString &question, const QString &content, const QDateTime &when = first)
{
    return AIResponse { content, when, std::nullopt, question };
}

qsizetype savedCount()
{
    return ConversationManager::shared().conversations().size();
}

} // namespace

using ChatWindowManagerTest = ChatFixture;

TEST(ChatMessageTest, MessagesAreEqualOnlyByIdentity)
{
    const QDateTime when = QDateTime::currentDateTimeUtc();
    const ChatMessage message(QStringLiteral("same"), true, when);
    const ChatMessage twin(QStringLiteral("same"), true, when);
    const ChatMessage copy = message;
    EXPECT_FALSE(message == twin);
    EXPECT_TRUE(message == copy);
}

TEST_F(ChatWindowManagerTest, OpensWithTwoLinesPerAnswerInOneWindow)
{
    ChatWindowManager &manager = ChatWindowManager::shared();
    QStringList order;
    QObject context;
    QObject::connect(
        &manager, &ChatWindowManager::currentScreenshotChanged, &context, [&] { order << "screenshot"; });
    QObject::connect(&manager, &ChatWindowManager::messagesChanged, &context, [&] { order << "messages"; });
    QObject::connect(&manager, &ChatWindowManager::isOpenChanged, &context, [&] { order << "isOpen"; });
    const QDateTime second = first.addSecs(60);
    const QImage picture = image(1);

    manager.openChatWindowWithHistory(picture,
        { AIResponse { QStringLiteral("A cat."), first, QuickAction::identify, QStringLiteral("Identify") },
            answer(QStringLiteral("Colour?"), QStringLiteral("Grey."), second),
            answer(QString(), QStringLiteral("Error text"), second) });

    EXPECT_EQ(order, QStringList({ "screenshot", "messages", "isOpen" }));
    EXPECT_TRUE(manager.isOpen());
    EXPECT_FALSE(manager.isProcessing());
    EXPECT_EQ(manager.currentScreenshot(), picture);
    EXPECT_EQ(transcript(),
        QStringList({ "user:Identify", "ai:A cat.", "user:Colour?", "ai:Grey.", "user:", "ai:Error text" }));
    EXPECT_EQ(manager.messages().at(0).timestamp(), first);
    EXPECT_EQ(manager.messages().at(3).timestamp(), second);

    QWidget *window = manager.chatWindow();
    ASSERT_NE(qobject_cast<ChatWindowView *>(window), nullptr);
    // It asks for 1200 × 800; the test screen of 800 × 800 leaves it what
    // fits with the frame around it.
    ASSERT_NE(window->windowHandle(), nullptr);
    EXPECT_EQ(window->size(), QSize(800, 800).shrunkBy(window->windowHandle()->frameMargins()));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Pexilo Chat"));
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor::fromRgbF(0.96f, 0.96f, 0.97f));
    EXPECT_TRUE(window->isVisible());

    // Opening again replaces the transcript and the window; no answers
    // give an empty transcript beside the image.
    QPointer<QWidget> old = window;
    manager.openChatWindowWithHistory(picture, {});
    EXPECT_TRUE(manager.messages().isEmpty());
    EXPECT_NE(manager.chatWindow(), old.data());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(manager.currentScreenshot(), picture);

    manager.openChatWindow(picture, QStringLiteral("Hi"), QStringLiteral("Hello"));
    EXPECT_EQ(transcript(), QStringList({ "user:Hi", "ai:Hello" }));
}

// Every way of closing (Ctrl+W, Escape, the close button and the title bar)
// saves once and resets the AI client at once; the window goes 0.1 s later
// with the transcript and the image.
TEST_F(ChatWindowManagerTest, EveryCloseSavesOnceResetsAndTakesTheWindowDown)
{
    using Close = std::function<void(ChatWindowView *)>;
    const QList<std::pair<const char *, Close>> closes {
        { "Ctrl+W",
            [](ChatWindowView *view) {
                QTest::keyClick(view->chatPanel()->inputField(), Qt::Key_W, Qt::ControlModifier);
            } },
        { "Escape",
            [](ChatWindowView *view) { QTest::keyClick(view->chatPanel()->inputField(), Qt::Key_Escape); } },
        { "close button",
            [](ChatWindowView *view) {
                QTest::mouseClick(view->screenshotPanel()->closeButton(), Qt::LeftButton);
            } },
        // What the window manager's close request does to the window.
        { "title bar", [](ChatWindowView *view) { view->close(); } },
    };
    for (const auto &[name, close] : closes) {
        SCOPED_TRACE(name);
        ChatWindowView *chat = open({ answer(QStringLiteral("What is it?"), QStringLiteral("A chart.")) });
        ASSERT_NE(chat, nullptr);
        QPointer<QWidget> window = chat;
        const qsizetype before = savedCount();
        log.clear();

        close(chat);
        // A second request before the window has gone changes nothing.
        if (window)
            window->close();
        ChatWindowManager::shared().closeWindow();

        EXPECT_EQ(savedCount(), before + 1);
        EXPECT_EQ(ConversationManager::shared().conversations().first().messages().size(), 2);
        EXPECT_EQ(log.lines().count(QStringLiteral("💬 Chat window closed and conversation saved")), 1);
        EXPECT_EQ(log.lines().count(QStringLiteral("🔄 AI Manager reset - cleared all responses")), 1);
        EXPECT_TRUE(AIManager::shared().responses().isEmpty());
        EXPECT_FALSE(ChatWindowManager::shared().isOpen());
        ASSERT_TRUE(waitForWindowGone());
        EXPECT_TRUE(ChatWindowManager::shared().messages().isEmpty());
        EXPECT_FALSE(ChatWindowManager::shared().currentScreenshot().has_value());
    }

    // A close after the window has gone finds nothing more to save.
    log.clear();
    const qsizetype before = savedCount();
    ChatWindowManager::shared().closeWindow();
    EXPECT_EQ(savedCount(), before);
    EXPECT_TRUE(log.contains(QStringLiteral("💾 No AI responses to save")));
}

// An open within 0.1 s of a close cancels the pending step: the new window
// stays with its transcript and image.
TEST_F(ChatWindowManagerTest, AnOpenRightAfterACloseKeepsTheNewWindow)
{
    open({ answer(QStringLiteral("old"), QStringLiteral("old answer")) });
    ChatWindowManager &manager = ChatWindowManager::shared();
    manager.closeWindow();
    const QImage second = image(7);
    manager.openChatWindowWithHistory(
        second, { answer(QStringLiteral("new"), QStringLiteral("new answer")) });
    QWidget *window = manager.chatWindow();

    QTest::qWait(300);
    EXPECT_EQ(manager.chatWindow(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(manager.isOpen());
    EXPECT_EQ(transcript(), QStringList({ "user:new", "ai:new answer" }));
    EXPECT_EQ(manager.currentScreenshot(), second);
}

// An answer that arrives after the chat closed, opened anew (with or
// without a close first) or moved to another saved conversation is not
// added to the transcript shown then, nor to the AI client's answers that
// the next close saves; the chat stops waiting for it at once.
TEST_F(ChatWindowManagerTest, ALateAnswerIsDroppedAfterACloseOrAReopen)
{
    enum class MoveOn { Close, CloseAndReopen, Reopen, OpenSaved, DeleteShown };
    ConversationManager &store = ConversationManager::shared();
    CurrentConversation::shared().start(image(3));
    AIManager::shared().setResponses({ answer(QStringLiteral("saved q"), QStringLiteral("saved a")) });
    store.saveCurrentConversation();
    const Conversation saved = store.conversations().first();
    resetSharedState();

    for (const MoveOn moveOn :
        { MoveOn::Close, MoveOn::CloseAndReopen, MoveOn::Reopen, MoveOn::OpenSaved, MoveOn::DeleteShown }) {
        SCOPED_TRACE(int(moveOn));
        service.enqueue("POST", "/v1/chat/completions", [] {
            FakeReply reply = FakeReply::chatCompletion(QStringLiteral("Too late."));
            reply.delay = std::chrono::milliseconds(600);
            return reply;
        }());
        if (moveOn == MoveOn::DeleteShown) {
            open();
            store.loadConversation(saved);
        } else {
            open({ answer(QStringLiteral("q"), QStringLiteral("a")) });
        }
        const qsizetype requests = chatRequests().size();
        send(QStringLiteral("Anything else?"));
        ASSERT_TRUE(ChatWindowManager::shared().isProcessing());
        ASSERT_TRUE(QTest::qWaitFor([&] { return chatRequests().size() == requests + 1; }, 5000));

        QStringList expected;
        switch (moveOn) {
        case MoveOn::Close:
            ChatWindowManager::shared().closeWindow();
            break;
        case MoveOn::CloseAndReopen:
            ChatWindowManager::shared().closeWindow();
            open({ answer(QStringLiteral("next"), QStringLiteral("screenshot")) });
            expected = QStringList({ "user:next", "ai:screenshot" });
            break;
        case MoveOn::Reopen:
            open({ answer(QStringLiteral("next"), QStringLiteral("screenshot")) });
            expected = QStringList({ "user:next", "ai:screenshot" });
            break;
        case MoveOn::OpenSaved:
            store.loadConversation(saved);
            expected = QStringList({ "user:saved q", "ai:saved a" });
            break;
        case MoveOn::DeleteShown:
            store.deleteConversation(saved);
            break;
        }
        EXPECT_FALSE(ChatWindowManager::shared().isProcessing());
        EXPECT_FALSE(AIManager::shared().isProcessing());
        const QList<AIResponse> answersBefore = AIManager::shared().responses();

        // The answer comes back to the AI client, which drops it too.
        QTest::qWait(1200);
        EXPECT_EQ(chatRequests().size(), requests + 1);
        EXPECT_FALSE(ChatWindowManager::shared().isProcessing());
        EXPECT_EQ(transcript(), expected);
        EXPECT_EQ(AIManager::shared().responses().size(), answersBefore.size());
        if (moveOn == MoveOn::OpenSaved) {
            // Closing stores nothing new in the saved conversation.
            ChatWindowManager::shared().closeWindow();
            const auto kept = std::find_if(store.conversations().cbegin(), store.conversations().cend(),
                [&saved](const Conversation &conversation) { return conversation.id() == saved.id(); });
            ASSERT_NE(kept, store.conversations().cend());
            EXPECT_EQ(kept->messages().size(), 2);
        }
        resetSharedState();
    }
}

TEST_F(ChatWindowManagerTest, ClosingWithoutAnswersOrWhileViewingStoresNothingButCloses)
{
    open();
    const qsizetype before = savedCount();
    ChatWindowManager::shared().closeWindow();
    EXPECT_EQ(savedCount(), before);
    EXPECT_TRUE(log.contains(QStringLiteral("💾 No AI responses to save")));
    ASSERT_TRUE(waitForWindowGone());
}

// The overlay's Chat hands the exchange over: nothing is saved and the AI
// client keeps its answers until the chat window closes, which saves them
// all as one conversation.
TEST_F(ChatWindowManagerTest, TheOverlaysChatHandsTheConversationOverWithoutSavingIt)
{
    ScreenshotManager &capture = ScreenshotManager::shared();
    capture.setScreenshotImage(image(3));
    capture.showOverlay();
    AIManager::shared().setResponses({ answer(QStringLiteral("What is it?"), QStringLiteral("A chart.")) });
    ASSERT_TRUE(capture.isShowingOverlay());
    CustomOverlayView *overlay = nullptr;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *found = window->findChild<CustomOverlayView *>())
            overlay = found;
    ASSERT_NE(overlay, nullptr);
    const qsizetype before = savedCount();

    overlay->openChatWindow(AIManager::shared().responses().last());

    EXPECT_FALSE(capture.isShowingOverlay());
    EXPECT_EQ(savedCount(), before);
    EXPECT_EQ(AIManager::shared().responses().size(), 1);
    EXPECT_TRUE(
        log.contains(QStringLiteral("📸 Overlay closed; the conversation goes on in the chat window")));
    EXPECT_EQ(transcript(), QStringList({ "user:What is it?", "ai:A chart." }));

    ChatWindowManager::shared().closeWindow();
    EXPECT_EQ(savedCount(), before + 1);
    EXPECT_EQ(ConversationManager::shared().conversations().first().messages().size(), 2);
}
