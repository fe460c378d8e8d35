#include "AIManagerFixture.h"

#include <QTcpServer>

using namespace std::chrono_literals;

namespace {

// Three resolver probes that fail as scripted, then the service's model list.
class ConnectivityTest : public AIManagerFixture
{
protected:
    ConnectivityTest()
        : resolvers { QUrl(QStringLiteral("https://127.0.0.1:11")),
            QUrl(QStringLiteral("https://127.0.0.1:12")), QUrl(QStringLiteral("https://127.0.0.1:13")) }
        , probes(service.baseUrl(), service.baseUrl(), resolvers)
    {
        for (const QUrl &resolver : resolvers)
            scripted->scriptAlways(resolver, URLError(URLError::notConnectedToInternet));
    }

    QStringList resolverFailureLines() const
    {
        QStringList lines;
        for (const QUrl &resolver : resolvers) {
            lines << QStringLiteral("🌐 Testing connectivity with IP: ") + resolver.toString()
                  << QStringLiteral("⚠️ IP test failed for ") + resolver.toString()
                    + QStringLiteral(": The Internet connection appears to be offline.");
        }
        return lines;
    }

    QList<QUrl> resolvers;
    ScopedEndpoints probes;
};

} // namespace

TEST_F(ConnectivityTest, AResolverAnsweringAtAllMeansTheNetworkWorks)
{
    scripted->scriptAlways(resolvers[1], HttpResponse { 500, {} });

    EXPECT_TRUE(QCoro::waitFor(manager.testConnectivity(QStringLiteral("sk-test-key"))));

    EXPECT_EQ(log.lines(),
        QStringList({ QStringLiteral("🌐 Testing connectivity with IP: https://127.0.0.1:11"),
            QStringLiteral(
                "⚠️ IP test failed for https://127.0.0.1:11: The Internet connection appears to "
                "be offline."),
            QStringLiteral("🌐 Testing connectivity with IP: https://127.0.0.1:12"),
            QStringLiteral("✅ Network connectivity confirmed via IP") }));
    ASSERT_EQ(scripted->requests().size(), 2);
    EXPECT_EQ(scripted->requests()[0].method, "HEAD");
    EXPECT_EQ(scripted->requests()[0].timeout, 5s);
    EXPECT_TRUE(scripted->requests()[0].headers.isEmpty());
    EXPECT_EQ(scripted->sessions().size(), 1);
    EXPECT_TRUE(service.requests().isEmpty());
}

TEST_F(ConnectivityTest, TheModelListDecidesWhenNoResolverAnswers)
{
    const std::pair<int, bool> verdicts[]
        = { { 200, true }, { 401, true }, { 429, false }, { 500, false }, { 404, false } };
    for (const auto &[status, usable] : verdicts) {
        SCOPED_TRACE(status);
        service.enqueue("GET", "/v1/models", FakeReply::withStatus(status));
        log.clear();
        EXPECT_EQ(QCoro::waitFor(manager.testConnectivity(QStringLiteral("sk-test-key"))), usable);
        EXPECT_EQ(log.lines(),
            resolverFailureLines() << QStringLiteral("🌐 OpenAI connectivity test - Status: %1").arg(status));
    }
    const RecordedRequest models = service.requests("GET", "/v1/models").first();
    EXPECT_EQ(models.header("Authorization"), "Bearer sk-test-key");
    EXPECT_EQ(scripted->requests().last().timeout, 10s);
    EXPECT_EQ(scripted->sessions().size(), 5);
}

TEST_F(ConnectivityTest, AFailedModelListMeansNoNetwork)
{
    scripted->scriptAlways(serviceUrl("/v1/models"), URLError(URLError::timedOut));
    EXPECT_FALSE(QCoro::waitFor(manager.testConnectivity(QStringLiteral("sk-test-key"))));
    EXPECT_EQ(log.lines(),
        resolverFailureLines() << QStringLiteral(
            "❌ Connectivity test failed: URLError(code: -1001, \"The request timed out.\")"));

    scripted->scriptAlways(serviceUrl("/v1/models"), HttpResponse { std::nullopt, {} });
    log.clear();
    EXPECT_FALSE(QCoro::waitFor(manager.testConnectivity(QStringLiteral("sk-test-key"))));
    EXPECT_EQ(log.lines(), resolverFailureLines());
}

TEST_F(ConnectivityTest, RealConnectionFailuresAreProbedThrough)
{
    // Closed ports on loopback, through the real network stack.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const QUrl closed(QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()));
    server.close();
    ScopedEndpoints closedResolvers(service.baseUrl(), service.baseUrl(), { closed, closed, closed });

    EXPECT_TRUE(QCoro::waitFor(manager.testConnectivity(QStringLiteral("sk-test-key"))));
    EXPECT_EQ(log.lines().filter(QStringLiteral(": Could not connect to the server.")).size(), 3);
    EXPECT_EQ(log.lines().last(), QStringLiteral("🌐 OpenAI connectivity test - Status: 200"));
}

TEST_F(ConnectivityTest, AnAnalysisWithoutNetworkGivesTheConnectivityAdvice)
{
    service.setDefault("GET", "/v1/models", FakeReply::withStatus(503));
    WriteRecorder recorder(manager);

    const AIResponse record = analyze(QStringLiteral("Anything?"));

    EXPECT_EQ(record.content,
        QStringLiteral("❌ Network connectivity issue. Your computer appears to have DNS problems. Try:\n\n"
                       "1. Open your network settings (DNS)\n2. Add these DNS servers: 8.8.8.8 and 8.8.4.4\n"
                       "3. Click OK and restart the app\n\n"
                       "Alternatively, try restarting your computer or resetting network settings."));
    EXPECT_EQ(recorder.writes(),
        QStringList({ "isProcessing=true", "lastResponse", "responses", "isProcessing=false" }));
    EXPECT_TRUE(chatRequests().isEmpty());
    EXPECT_EQ(log.lines().first(), QStringLiteral("🔍 Testing network connectivity..."));
    EXPECT_FALSE(manager.conversationContext().has_value());
}
