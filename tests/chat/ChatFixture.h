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
#include "store/CurrentConversation.h"
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
// closed, no current conversation and the sidebar hidden, so that the cases
// also run one after another in one process.
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
        // Ended without saving what the case left.
        AIManager::shared().resetForNewScreenshot();
        CurrentConversation::shared().end();
        ConversationManager &conversations = ConversationManager::shared();
        if (conversations.isSidebarExpanded())
            conversations.toggleSidebar();
    }

    static QImage image(int seed = 0) { return ChatSamples::screenshot(QSize(320, 200), seed); }

    // A conversation about the screenshot with these answers, as a capture
    // leaves it, handed over to the chat as the overlay's Chat does; waits
    // until the chat window is active.
    ChatWindowView *open(
        const QList<AIResponse> &responses = {}, const std::optional<QImage> &screenshot = image())
    {
        CurrentConversation::shared().start(screenshot);
        AIManager::shared().setResponses(responses);
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

    // Saves a conversation about the screenshot (none: without one) with
    // these answers, as a capture's road does; gives it as the list holds it.
    static Conversation saveConversation(const std::optional<QImage> &screenshot, const QList<AIResponse> &answers)
    {
        CurrentConversation &current = CurrentConversation::shared();
        current.start(screenshot);
        AIManager::shared().setResponses(answers);
        current.end();
        return ConversationManager::shared().conversations().first();
    }

    // The conversation with that identifier as the store holds it now.
    static Conversation stored(const QUuid &id)
    {
        return ConversationManager::shared().conversation(id).value_or(
            Conversation(QString(), QDateTime(), std::nullopt, {}));
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
