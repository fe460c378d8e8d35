#include "chat/ChatWindowManager.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

QList<QWidget *> chatWindows()
{
    QList<QWidget *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowTitle() == QLatin1String("Pexilo Chat"))
            windows.append(widget);
    return windows;
}

} // namespace

TEST(ChatWindowManagerTest, StartsClosedAndEmpty)
{
    const ChatWindowManager &manager = ChatWindowManager::shared();
    EXPECT_FALSE(manager.isOpen());
    EXPECT_TRUE(manager.messages().isEmpty());
    EXPECT_FALSE(manager.currentScreenshot().has_value());
    EXPECT_FALSE(manager.isProcessing());
    EXPECT_TRUE(chatWindows().isEmpty());
}

TEST(ChatWindowManagerTest, OpensWithTwoLinesPerAnswerInOneWindow)
{
    ChatWindowManager &manager = ChatWindowManager::shared();
    QStringList order;
    QObject thisCase; // the shared manager outlives the case; its followers do not
    QObject::connect(
        &manager, &ChatWindowManager::currentScreenshotChanged, &thisCase, [&] { order << "screenshot"; });
    QObject::connect(&manager, &ChatWindowManager::messagesChanged, &thisCase, [&] { order << "messages"; });
    QObject::connect(&manager, &ChatWindowManager::isOpenChanged, &thisCase, [&] { order << "isOpen"; });
    const QDateTime first(QDate(2024, 3, 15), QTime(9, 0), Qt::UTC);
    const QDateTime second = first.addSecs(60);
    const QDateTime third = first.addSecs(120);
    QImage image(10, 10, QImage::Format_ARGB32);
    image.fill(Qt::red);

    manager.openChatWindowWithHistory(image,
        { AIResponse { QStringLiteral("A cat."), first, QuickAction::identify, QStringLiteral("Identify") },
            AIResponse { QStringLiteral("Grey."), second, std::nullopt, QStringLiteral("Colour?") },
            AIResponse { QStringLiteral("Error text"), third, std::nullopt, QString() } });

    EXPECT_EQ(order, QStringList({ "screenshot", "messages", "isOpen" }));
    EXPECT_TRUE(manager.isOpen());
    EXPECT_EQ(manager.currentScreenshot(), image);
    const QList<std::tuple<QString, bool, QDateTime>> expected { { "Identify", true, first },
        { "A cat.", false, first }, { "Colour?", true, second }, { "Grey.", false, second },
        { "", true, third }, { "Error text", false, third } };
    ASSERT_EQ(manager.messages().size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(manager.messages()[i].content(), std::get<0>(expected[i]));
        EXPECT_EQ(manager.messages()[i].isUser(), std::get<1>(expected[i]));
        EXPECT_EQ(manager.messages()[i].timestamp(), std::get<2>(expected[i]));
    }

    ASSERT_EQ(chatWindows().size(), 1);
    QWidget *window = chatWindows().first();
    EXPECT_EQ(window->size(), QSize(1200, 800));
    auto *transcript = qobject_cast<QPlainTextEdit *>(window);
    ASSERT_NE(transcript, nullptr);
    EXPECT_TRUE(transcript->toPlainText().startsWith(QStringLiteral("You: Identify\n\nAssistant: A cat.")));

    // Opening again replaces the transcript and the window.
    manager.openChatWindowWithHistory(QImage(), {});
    EXPECT_TRUE(manager.messages().isEmpty());
    ASSERT_EQ(chatWindows().size(), 1);
    EXPECT_NE(chatWindows().first(), window);
    EXPECT_TRUE(qobject_cast<QPlainTextEdit *>(chatWindows().first())->toPlainText().isEmpty());
}

TEST(ChatWindowManagerTest, MessagesAreEqualOnlyByIdentity)
{
    const QDateTime when = QDateTime::currentDateTimeUtc();
    const ChatMessage message(QStringLiteral("same"), true, when);
    const ChatMessage twin(QStringLiteral("same"), true, when);
    const ChatMessage copy = message;
    EXPECT_FALSE(message == twin);
    EXPECT_TRUE(message == copy);
}
