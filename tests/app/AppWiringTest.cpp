#include "app/AppWiring.h"

#include "ai/AIManager.h"
#include "capture/ScreenshotManager.h"
#include "chat/ChatWindowManager.h"
#include "platform/ImageData.h"
#include "store/ConversationManager.h"
#include "store/CurrentConversation.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

QImage filled(const QColor &colour)
{
    QImage image(8, 6, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

} // namespace

// The capture, the chat window and the store work on one current
// conversation, the application's: a capture starts it, its close saves it
// with the capture's screenshot, and the chat window shows what the store
// reopens and what it deletes.
TEST(AppWiringTest, TheWindowsAndTheStoreShareTheApplicationsCurrentConversation)
{
    AppWiring::install();
    CurrentConversation &current = CurrentConversation::shared();
    ConversationManager &store = ConversationManager::shared();
    EXPECT_EQ(&store.current(), &current);
    ScreenshotManager &capture = ScreenshotManager::shared();
    const QImage red = filled(Qt::red);

    capture.setScreenshotImage(red);
    capture.showOverlay();
    EXPECT_EQ(current.screenshotImage(), red);
    AIManager::shared().setResponses({ AIResponse {
        QStringLiteral("An answer."), QDateTime::currentDateTimeUtc(), std::nullopt, QStringLiteral("About red?") } });
    capture.closeOverlay();
    const Conversation saved = store.conversations().first();
    EXPECT_EQ(saved.screenshotData(), ImageData::pngData(red));
    EXPECT_FALSE(current.screenshotImage().has_value());

    ChatWindowManager &chat = ChatWindowManager::shared();
    chat.openChatWindowWithHistory(filled(Qt::blue), {});
    store.loadConversation(saved);
    ASSERT_EQ(chat.messages().size(), 2);
    EXPECT_EQ(chat.messages()[0].content(), QStringLiteral("About red?"));
    EXPECT_TRUE(chat.messages()[0].isUser());
    ASSERT_TRUE(chat.currentScreenshot().has_value());
    EXPECT_EQ(chat.currentScreenshot()->convertToFormat(red.format()), red);

    store.deleteConversation(saved);
    EXPECT_TRUE(chat.messages().isEmpty());
    EXPECT_TRUE(chat.currentScreenshot().has_value());
    chat.closeWindow();
    EXPECT_TRUE(QTest::qWaitFor([&chat] { return !chat.chatWindow(); }, 2000));
}

// The screen selection and the analysis overlay take Escape and Ctrl+W
// before the chat window: the chat asks the capture through the wiring.
TEST(AppWiringTest, TheChatWindowYieldsItsKeysToTheCapture)
{
    AppWiring::install();
    ScreenshotManager &capture = ScreenshotManager::shared();
    const ChatWindowManager &chat = ChatWindowManager::shared();
    EXPECT_FALSE(chat.captureHoldsKeys());

    capture.setIsShowingOverlay(true);
    EXPECT_TRUE(chat.captureHoldsKeys());
    capture.setIsShowingOverlay(false);

    // From the start of a selection, while its window is on its way.
    capture.startScreenshotSelection();
    EXPECT_TRUE(chat.captureHoldsKeys());
    QTest::qWait(300);
    capture.handleSelectionCancel();
    EXPECT_FALSE(chat.captureHoldsKeys());
}
