#include "app/AppWiring.h"

#include "ai/AIManager.h"
#include "capture/ScreenshotManager.h"
#include "chat/ChatWindowManager.h"
#include "platform/ImageData.h"
#include "store/ConversationManager.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

QImage filled(const QColor &colour)
{
    QImage image(8, 6, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

void saveAnswer(const QString &question)
{
    AIManager::shared().setResponses({ AIResponse {
        QStringLiteral("An answer."), QDateTime::currentDateTimeUtc(), std::nullopt, question } });
    ConversationManager::shared().saveCurrentConversation();
}

} // namespace

// The store knows neither window; what it reads and shows must still be the
// application's own chat window and capture.
TEST(AppWiringTest, TheStoreSavesFromAndRestoresIntoTheApplicationsWindows)
{
    AppWiring::install();
    ConversationManager &store = ConversationManager::shared();
    const QImage capture = filled(Qt::red);
    const QImage chatImage = filled(Qt::blue);

    ScreenshotManager::shared().setScreenshotImage(capture);
    saveAnswer(QStringLiteral("About the capture?"));
    EXPECT_EQ(store.conversations().first().screenshotData(), ImageData::pngData(capture));

    ChatWindowManager &chat = ChatWindowManager::shared();
    chat.setCurrentScreenshot(chatImage);
    saveAnswer(QStringLiteral("About the chat?"));
    EXPECT_EQ(store.conversations().first().screenshotData(), ImageData::pngData(chatImage));

    chat.setCurrentScreenshot(std::nullopt);
    store.loadConversation(store.conversations().last());
    ASSERT_EQ(chat.messages().size(), 2);
    EXPECT_EQ(chat.messages()[0].content(), QStringLiteral("About the capture?"));
    EXPECT_TRUE(chat.messages()[0].isUser());
    EXPECT_EQ(chat.messages()[1].content(), QStringLiteral("An answer."));
    ASSERT_TRUE(chat.currentScreenshot().has_value());
    EXPECT_EQ(chat.currentScreenshot()->convertToFormat(capture.format()), capture);

    store.deleteConversation(*store.currentConversation());
    EXPECT_TRUE(chat.messages().isEmpty());
    EXPECT_TRUE(chat.currentScreenshot().has_value());
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
