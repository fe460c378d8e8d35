#pragma once

#include "ChatSamples.h"
#include "ai/AIManager.h"
#include "app/AppWiring.h"
#include "chat/ChatInputField.h"
#include "chat/ChatPanelView.h"
#include "chat/ChatWindowManager.h"
#include "chat/ChatWindowView.h"
#include "chat/ScreenshotPanelView.h"
#include "chat/SymbolButton.h"
#include "platform/UserDefaults.h"
#include "store/ConversationManager.h"
#include "support/FakeAIService.h"
#include "support/LogCapture.h"
#include "support/ScopedEndpoints.h"
#include "ui/AnimatedValue.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

// The chat window as the application wires it, talking through the shared
// AI client to a fake service on loopback. Every case starts with the chat
// closed, the AI client and the store's view state reset and the sidebar
// hidden, so that the cases also run one after another in one process.
// Animations that end do so at once; timers run as they would.
class ChatFixture : public ::testing::Test
{
public:
    ChatFixture()
        : endpoints(service.baseUrl())
    {
        UserDefaults::standard().setString(QStringLiteral("apiKey"), QStringLiteral("sk-test-key"));
        AnimatedValue::setFinishAtOnce(true);
        AppWiring::install();
        resetSharedState();
    }

    ~ChatFixture() override
    {
        resetSharedState();
        AnimatedValue::setFinishAtOnce(false);
    }

    static void resetSharedState()
    {
        ChatWindowManager &chat = ChatWindowManager::shared();
        if (chat.chatWindow() || chat.isOpen()) {
            chat.closeWindow();
            EXPECT_TRUE(QTest::qWaitFor([&chat] { return !chat.chatWindow(); }, 2000));
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        chat.setIsProcessing(false);
        chat.setCaptureHoldsKeys({});
        AIManager::shared().resetForNewScreenshot();
        ConversationManager &conversations = ConversationManager::shared();
        conversations.setCurrentConversation(std::nullopt);
        if (conversations.isSidebarExpanded())
            conversations.toggleSidebar();
    }

    static QImage image(int seed = 0) { return ChatSamples::screenshot(QSize(320, 200), seed); }

    // Opens the chat with the answers and waits until its window is active.
    ChatWindowView *open(
        const QList<AIResponse> &responses = {}, const std::optional<QImage> &screenshot = image())
    {
        ChatWindowManager &chat = ChatWindowManager::shared();
        chat.openChatWindowWithHistory(screenshot.value_or(QImage()), responses);
        if (!screenshot)
            chat.setCurrentScreenshot(std::nullopt);
        auto *view = qobject_cast<ChatWindowView *>(chat.chatWindow());
        EXPECT_NE(view, nullptr);
        if (view) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(view));
        }
        return view;
    }

    static ChatWindowView *view()
    {
        return qobject_cast<ChatWindowView *>(ChatWindowManager::shared().chatWindow());
    }
    static ChatInputField *input() { return view()->chatPanel()->inputField(); }

    // Types the text into the input and presses Return.
    static void send(const QString &text)
    {
        input()->setFocus();
        QTest::keyClicks(input(), text);
        QTest::keyClick(input(), Qt::Key_Return);
    }

    static bool waitForAnswer()
    {
        return QTest::qWaitFor([] { return !ChatWindowManager::shared().isProcessing(); }, 10000);
    }

    static bool waitForWindowGone()
    {
        return QTest::qWaitFor([] { return !ChatWindowManager::shared().chatWindow(); }, 2000);
    }

    static QStringList transcript()
    {
        QStringList lines;
        for (const ChatMessage &message : ChatWindowManager::shared().messages())
            lines << (message.isUser() ? QStringLiteral("user:") : QStringLiteral("ai:")) + message.content();
        return lines;
    }

    QList<RecordedRequest> chatRequests() const { return service.requests("POST", "/v1/chat/completions"); }
    // The prompt text of the n-th chat request.
    QString sentPrompt(int n) const
    {
        return QJsonDocument::fromJson(chatRequests().at(n).body)[QStringLiteral(
            "messages")][0][QStringLiteral("content")][0][QStringLiteral("text")]
            .toString();
    }

    FakeAIService service;
    ScopedEndpoints endpoints;
    LogCapture log;
};
