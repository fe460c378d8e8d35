#pragma once

#include "OverlayHost.h"
#include "ai/AIManager.h"
#include "capture/CustomOverlayView.h"
#include "chat/ChatWindowManager.h"
#include "platform/UserDefaults.h"
#include "store/CurrentConversation.h"
#include "support/FakeAIService.h"
#include "support/ScopedEndpoints.h"
#include "ui/AnimatedValue.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

// An overlay in a host window over the main screen, talking through the
// shared AI client to a fake service on loopback. Animations that end do so
// at once; timers (the focus, the follow-up field) run as they would.
class OverlayFixture : public ::testing::Test
{
protected:
    OverlayFixture()
        : endpoints(service.baseUrl())
    {
        UserDefaults::standard().setString(QStringLiteral("apiKey"), QStringLiteral("sk-test-key"));
        AnimatedValue::setFinishAtOnce(true);
        resetSharedState();
    }

    ~OverlayFixture() override
    {
        delete host;
        resetSharedState();
        AnimatedValue::setFinishAtOnce(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The AI client and the chat window's manager live for the whole process;
    // each case starts from them as a new process has them.
    static void resetSharedState()
    {
        AIManager::shared().resetForNewScreenshot();
        CurrentConversation::shared().end();
        ChatWindowManager &chat = ChatWindowManager::shared();
        chat.setIsOpen(false);
        chat.setCurrentScreenshot(std::nullopt);
        chat.removeAllMessages();
    }

    static QImage sampleImage(const QSize &size = QSize(200, 100))
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(QColor(30, 60, 90));
        QPainter painter(&image);
        painter.fillRect(8, 8, size.width() / 3, size.height() / 4, Qt::yellow);
        return image;
    }

    CustomOverlayView *show(const QRectF &selectedRect, const std::optional<QImage> &image)
    {
        host = new OverlayHost(OverlayHost::sampleDesktop(QGuiApplication::primaryScreen()->size()));
        // The conversation about the capture, as the capture manager starts it.
        CurrentConversation::shared().start(image);
        overlay = new CustomOverlayView(
            CurrentConversation::shared(), ChatWindowManager::shared(), selectedRect, image,
            [this](QuickAction) { ++quickActionCallbacks; },
            [this] {
                ++closes;
                host->hide();
            });
        host->setOverlay(overlay);
        host->show();
        host->activateWindow();
        return overlay;
    }

    template<typename T = QWidget> T *child(const char *name) const
    {
        T *found = overlay->findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QLineEdit *questionField() const { return child<QLineEdit>("questionField"); }
    QLineEdit *followUpField() const { return child<QLineEdit>("followUpField"); }

    void type(QLineEdit *field, const QString &text)
    {
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }

    // Clicks a button in its middle, as the pointer would.
    static void click(QWidget *button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }

    static bool waitForAnswer()
    {
        return QTest::qWaitFor([] { return !AIManager::shared().isProcessing(); }, 10000)
            && AIManager::shared().lastResponse().has_value();
    }

    bool waitForFollowUpField() const
    {
        return QTest::qWaitFor([this] { return overlay->showFollowUpField(); }, 10000);
    }

    // Shows the overlay, asks "What is this?" and waits for "First answer"
    // and the follow-up field; the next answer, `slowAnswer`, comes 0.3 s
    // after its question.
    bool answerFirstWithASlowSecondQueued(const QString &slowAnswer)
    {
        service.enqueue(
            "POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("First answer")));
        FakeReply slow = FakeReply::chatCompletion(slowAnswer);
        slow.delay = std::chrono::milliseconds(300);
        service.enqueue("POST", "/v1/chat/completions", slow);
        show(QRectF(100, 100, 200, 100), sampleImage());
        type(questionField(), QStringLiteral("What is this?"));
        return waitForAnswer() && waitForFollowUpField();
    }

    QList<RecordedRequest> chatRequests() const { return service.requests("POST", "/v1/chat/completions"); }

    // The prompt and the image's data URL of the n-th chat request.
    QString sentPrompt(int n) const { return contentOf(n)[0][QStringLiteral("text")].toString(); }
    QString sentImageUrl(int n) const
    {
        return contentOf(n)[1][QStringLiteral("image_url")][QStringLiteral("url")].toString();
    }

    FakeAIService service;
    ScopedEndpoints endpoints;
    QPointer<OverlayHost> host;
    CustomOverlayView *overlay = nullptr;
    int closes = 0;
    int quickActionCallbacks = 0;

private:
    QJsonArray contentOf(int n) const
    {
        return QJsonDocument::fromJson(
            chatRequests().at(n).body)[QStringLiteral("messages")][0][QStringLiteral("content")]
            .toArray();
    }
};
