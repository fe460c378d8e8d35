#include "support/FakeAIService.h"

#include "support/TestCertificates.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTest>

#include <gtest/gtest.h>
#include <memory>

namespace {

struct Exchange
{
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QVariant status;
    QByteArray body;
};

Exchange exchange(const QByteArray &method, QNetworkRequest request, const QByteArray &body = {})
{
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    std::unique_ptr<QNetworkReply> reply(manager.sendCustomRequest(request, method, body));
    EXPECT_TRUE(QTest::qWaitFor([&] { return reply->isFinished(); }, 10000));
    return { reply->error(), reply->attribute(QNetworkRequest::HttpStatusCodeAttribute), reply->readAll() };
}

QNetworkRequest requestTo(const QUrl &base, const QString &path)
{
    QUrl url = base;
    url.setPath(path);
    return QNetworkRequest(url);
}

} // namespace

TEST(FakeAIServiceTest, RecordsAPlainChatRequestAndAnswersByDefault)
{
    FakeAIService service;
    ASSERT_TRUE(service.isRunning());
    EXPECT_EQ(service.baseUrl().host(), QStringLiteral("127.0.0.1"));

    QNetworkRequest request = requestTo(service.baseUrl(), QStringLiteral("/v1/chat/completions"));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    request.setRawHeader("Authorization", "Bearer sk-test");
    const Exchange answer = exchange("POST", request, R"({"model":"gpt-4o"})");

    EXPECT_EQ(answer.error, QNetworkReply::NoError);
    EXPECT_EQ(answer.status.toInt(), 200);
    const QJsonObject body = QJsonDocument::fromJson(answer.body).object();
    EXPECT_EQ(
        body[QStringLiteral("choices")][0][QStringLiteral("message")][QStringLiteral("content")].toString(),
        QStringLiteral("This is a test answer."));

    const QList<RecordedRequest> recorded = service.requests();
    ASSERT_EQ(recorded.size(), 1);
    EXPECT_EQ(recorded[0].method, "POST");
    EXPECT_EQ(recorded[0].path, "/v1/chat/completions");
    EXPECT_EQ(recorded[0].header("authorization"), "Bearer sk-test");
    EXPECT_EQ(recorded[0].header("Content-Type"), "application/json");
    EXPECT_FALSE(recorded[0].hasHeader("X-Not-Sent"));
    EXPECT_EQ(recorded[0].body, R"({"model":"gpt-4o"})");
}

TEST(FakeAIServiceTest, ServesTheScriptInOrderThenTheDefault)
{
    FakeAIService service;
    service.enqueue("POST", "/v1/chat/completions", FakeReply::withStatus(429, R"({"error":"slow down"})"));
    FakeReply late = FakeReply::withStatus(500, "\xff\xfe not json");
    late.delay = std::chrono::milliseconds(300);
    service.enqueue("POST", "/v1/chat/completions", late);

    const QNetworkRequest request = requestTo(service.baseUrl(), QStringLiteral("/v1/chat/completions"));
    EXPECT_EQ(exchange("POST", request).status.toInt(), 429);

    QElapsedTimer timer;
    timer.start();
    const Exchange delayed = exchange("POST", request);
    EXPECT_GE(timer.elapsed(), 290);
    EXPECT_EQ(delayed.status.toInt(), 500);
    EXPECT_EQ(delayed.body, "\xff\xfe not json");

    EXPECT_EQ(exchange("POST", request).status.toInt(), 200);
    EXPECT_EQ(
        exchange("GET", requestTo(service.baseUrl(), QStringLiteral("/v1/models"))).status.toInt(), 200);
    EXPECT_EQ(exchange("HEAD", requestTo(service.baseUrl(), QStringLiteral("/"))).status.toInt(), 200);
    EXPECT_EQ(
        exchange("GET", requestTo(service.baseUrl(), QStringLiteral("/elsewhere"))).status.toInt(), 404);
    EXPECT_EQ(service.requests().size(), 6);
    EXPECT_EQ(service.requests("HEAD", "/").size(), 1);
}

TEST(FakeAIServiceTest, DroppedConnectionEndsWithoutAnAnswer)
{
    FakeAIService service;
    service.setDefault("POST", "/v1/chat/completions", FakeReply::dropped());
    const Exchange dropped
        = exchange("POST", requestTo(service.baseUrl(), QStringLiteral("/v1/chat/completions")));
    EXPECT_EQ(dropped.error, QNetworkReply::RemoteHostClosedError);
    EXPECT_FALSE(dropped.status.isValid());
    EXPECT_FALSE(service.requests().isEmpty());
}

TEST(FakeAIServiceTest, TlsExchangeIsVerifiedAgainstTheTestAuthority)
{
    const TestCertificates::ScopedTrust trust;
    FakeAIService service(FakeAIService::Transport::Tls);
    ASSERT_TRUE(service.isRunning());
    EXPECT_EQ(service.baseUrl().scheme(), QStringLiteral("https"));

    const Exchange direct = exchange("GET", requestTo(service.baseUrl(), QStringLiteral("/v1/models")));
    EXPECT_EQ(direct.error, QNetworkReply::NoError);
    EXPECT_EQ(direct.status.toInt(), 200);

    // Addressed by number but naming the service, as the fixed-address attempt is.
    QNetworkRequest named = requestTo(service.baseUrl(), QStringLiteral("/v1/chat/completions"));
    named.setRawHeader("Host", "api.openai.com");
    named.setPeerVerifyName(QStringLiteral("api.openai.com"));
    EXPECT_EQ(exchange("POST", named).status.toInt(), 200);
    ASSERT_EQ(service.requests().size(), 2);
    EXPECT_EQ(service.requests().at(1).header("Host"), "api.openai.com");

    QNetworkRequest wrongName = requestTo(service.baseUrl(), QStringLiteral("/v1/models"));
    wrongName.setPeerVerifyName(QStringLiteral("service.invalid"));
    EXPECT_EQ(exchange("GET", wrongName).error, QNetworkReply::SslHandshakeFailedError);
    EXPECT_EQ(service.requests().size(), 2);
}
