#pragma once

#include "ScriptedTransport.h"
#include "ai/AIManager.h"
#include "platform/UserDefaults.h"
#include "support/FakeAIService.h"
#include "support/LogCapture.h"
#include "support/ScopedEndpoints.h"

#include <QCoro/QCoroTask>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

#include <gtest/gtest.h>

// The shared AI client talking to a fake service on loopback (every endpoint,
// the probes included, points at it), through a transport that tests can
// script, with a key set and the log captured.
class AIManagerFixture : public ::testing::Test
{
protected:
    explicit AIManagerFixture(FakeAIService::Transport transport = FakeAIService::Transport::Plain)
        : service(transport)
        , endpoints(service.baseUrl())
    {
        UserDefaults::standard().setString(QStringLiteral("apiKey"), QStringLiteral("sk-test-key"));
        manager.setTransport(scripted);
        // The client is shared by the whole process: each case starts from a
        // fresh exchange, whatever the case before it left.
        manager.resetForNewScreenshot();
        log.clear();
    }

    ~AIManagerFixture() override
    {
        // Closes the sessions' connections before the service stops, which
        // would otherwise wait for them to time out.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static QImage sampleImage()
    {
        QImage image(64, 40, QImage::Format_RGB32);
        image.fill(QColor(30, 60, 90));
        QPainter painter(&image);
        painter.fillRect(8, 8, 20, 10, Qt::yellow);
        return image;
    }

    AIResponse analyze(const QString &question, std::optional<QuickAction> action = std::nullopt)
    {
        return QCoro::waitFor(manager.analyzeImage(image, question, action));
    }

    QList<RecordedRequest> chatRequests() const { return service.requests("POST", "/v1/chat/completions"); }

    static QJsonArray contentOf(const RecordedRequest &request)
    {
        return QJsonDocument::fromJson(request.body)[QStringLiteral("messages")][0][QStringLiteral("content")]
            .toArray();
    }

    // The prompt of the n-th chat request the service received.
    QString sentPrompt(int n) const
    {
        return contentOf(chatRequests().at(n))[0][QStringLiteral("text")].toString();
    }

    QUrl serviceUrl(const char *path) const
    {
        QUrl url = service.baseUrl();
        url.setPath(QLatin1String(path));
        return url;
    }

    FakeAIService service;
    ScopedEndpoints endpoints;
    std::shared_ptr<ScriptedTransport> scripted = std::make_shared<ScriptedTransport>();
    AIManager &manager = AIManager::shared();
    LogCapture log;
    QImage image = sampleImage();
};

// The names of the published properties in the order they were written.
class WriteRecorder
{
public:
    explicit WriteRecorder(AIManager &manager)
    {
        QObject::connect(&manager, &AIManager::isProcessingChanged, &m_context, [this, &manager] {
            m_writes.append(manager.isProcessing() ? "isProcessing=true" : "isProcessing=false");
        });
        QObject::connect(&manager, &AIManager::lastResponseChanged, &m_context,
            [this] { m_writes.append(QStringLiteral("lastResponse")); });
        QObject::connect(&manager, &AIManager::responsesChanged, &m_context,
            [this] { m_writes.append(QStringLiteral("responses")); });
        QObject::connect(&manager, &AIManager::conversationContextChanged, &m_context,
            [this] { m_writes.append(QStringLiteral("conversationContext")); });
    }

    QStringList writes() const { return m_writes; }

private:
    QObject m_context;
    QStringList m_writes;
};
