#include "AIManagerFixture.h"
#include "support/TestCertificates.h"

namespace {

// The service over TLS with the test authority's certificate, which names
// "api.openai.com" (and loopback), reachable at its fixed address only: the
// main endpoint's name cannot be resolved, as scripted.
class AIManagerTlsTest : public AIManagerFixture
{
protected:
    AIManagerTlsTest()
        : AIManagerFixture(FakeAIService::Transport::Tls)
    {
        scripted->scriptAlways(unresolvable, URLError(URLError::cannotFindHost));
    }

    const QUrl unresolvable { QStringLiteral("https://127.0.0.1:1/v1/chat/completions") };
};

} // namespace

TEST_F(AIManagerTlsTest, AnAnswerThroughTheFixedAddressIsPublishedWithItsContext)
{
    const TestCertificates::ScopedTrust trust;
    ScopedEndpoints apart(
        QUrl(QStringLiteral("https://127.0.0.1:1")), service.baseUrl(), { service.baseUrl() });
    service.enqueue(
        "POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("Answer over TLS")));

    const AIResponse record = QCoro::waitFor(
        AIManager::shared().analyzeImage(image, QStringLiteral("What is on screen?"), std::nullopt));

    EXPECT_EQ(record.content, QStringLiteral("Answer over TLS"));
    EXPECT_EQ(manager.lastResponse(), record);
    EXPECT_EQ(manager.responses(), QList<AIResponse> { record });
    ASSERT_TRUE(manager.conversationContext().has_value());
    EXPECT_EQ(manager.conversationContext()->originalQuestion, QStringLiteral("What is on screen?"));
    EXPECT_EQ(manager.conversationContext()->aiResponse, QStringLiteral("Answer over TLS"));
    EXPECT_FALSE(manager.isProcessing());

    EXPECT_TRUE(log.contains(QStringLiteral("✅ Network connectivity confirmed via IP")));
    EXPECT_TRUE(log.contains(QStringLiteral("⚠️ DNS failed, trying with IP address fallback...")));
    const QList<HttpRequest> sent = scripted->requests();
    ASSERT_EQ(sent.size(), 3); // probe, refused attempt, fixed-address attempt
    EXPECT_EQ(sent[2].peerVerifyName, QStringLiteral("api.openai.com"));
    ASSERT_EQ(chatRequests().size(), 1);
    EXPECT_EQ(chatRequests()[0].header("Host"), "api.openai.com");
    EXPECT_EQ(sentPrompt(0), QStringLiteral("What is on screen?"));
}

TEST_F(AIManagerTlsTest, ACertificateThatCannotBeVerifiedEndsTheExchange)
{
    // The test authority is not trusted here; the probes go to a plain service.
    FakeAIService plain;
    ScopedEndpoints apart(
        QUrl(QStringLiteral("https://127.0.0.1:1")), service.baseUrl(), { plain.baseUrl() });

    const AIResponse record = analyze(QStringLiteral("Still safe?"));

    EXPECT_EQ(record.content,
        QStringLiteral(
            "❌ Network error: The certificate for this server is invalid. You might be connecting to a "
            "server that is pretending to be “api.openai.com” which could put your confidential "
            "information at risk."));
    EXPECT_TRUE(log.contains(QStringLiteral("❌ Error code: -1202")));
    EXPECT_TRUE(chatRequests().isEmpty());
    EXPECT_FALSE(manager.conversationContext().has_value());
}
