#include "platform/NetworkEndpoints.h"

#include "support/ScopedEndpoints.h"

#include <gtest/gtest.h>

TEST(NetworkEndpointsTest, OverridesReplaceTheBases)
{
    ScopedEndpoints endpoints(QUrl(QStringLiteral("http://127.0.0.1:4010/")),
        QUrl(QStringLiteral("https://127.0.0.1:4011")),
        { QUrl(QStringLiteral("http://127.0.0.1:1")), QUrl(QStringLiteral("http://127.0.0.1:2")),
            QUrl(QStringLiteral("http://127.0.0.1:3")) });
    EXPECT_EQ(NetworkEndpoints::chatCompletionsUrl(),
        QUrl(QStringLiteral("http://127.0.0.1:4010/v1/chat/completions")));
    EXPECT_EQ(NetworkEndpoints::modelsUrl(), QUrl(QStringLiteral("http://127.0.0.1:4010/v1/models")));
    EXPECT_EQ(NetworkEndpoints::chatCompletionsFallbackUrl(),
        QUrl(QStringLiteral("https://127.0.0.1:4011/v1/chat/completions")));
    EXPECT_EQ(NetworkEndpoints::probeUrls().size(), 3);
    EXPECT_EQ(NetworkEndpoints::probeUrls().at(2), QUrl(QStringLiteral("http://127.0.0.1:3")));
}

TEST(NetworkEndpointsTest, WithoutOverridesTheServiceAddressesHold)
{
    ScopedEndpoints restoreAfterwards(QUrl(QStringLiteral("https://127.0.0.1:1")));
    for (const char *variable : { "PEXILO_API_BASE", "PEXILO_API_FALLBACK_BASE", "PEXILO_PROBE_URLS" })
        qunsetenv(variable);
    // Only read here, never contacted.
    EXPECT_EQ(NetworkEndpoints::chatCompletionsUrl().toString(),
        QStringLiteral("https://api.openai.com/v1/chat/completions"));
    EXPECT_EQ(NetworkEndpoints::modelsUrl().toString(), QStringLiteral("https://api.openai.com/v1/models"));
    EXPECT_EQ(NetworkEndpoints::chatCompletionsFallbackUrl().host(), QStringLiteral("162.159.140.245"));
    EXPECT_EQ(NetworkEndpoints::probeUrls(),
        (QList<QUrl> { QUrl(QStringLiteral("https://1.1.1.1")), QUrl(QStringLiteral("https://8.8.8.8")),
            QUrl(QStringLiteral("https://9.9.9.9")) }));
}

TEST(NetworkEndpointsTest, AnOverrideThatDoesNotParseStaysInvalid)
{
    ScopedEndpoints restoreAfterwards(QUrl(QStringLiteral("https://127.0.0.1:1")));
    qputenv("PEXILO_API_BASE", "http://127.0.0.1:99999");
    EXPECT_FALSE(NetworkEndpoints::chatCompletionsUrl().isValid());
    EXPECT_FALSE(NetworkEndpoints::modelsUrl().isValid());
}
