#include "ai/AIManager.h"

#include <gtest/gtest.h>

namespace {
const QString dnsText = QStringLiteral("❌ DNS issue detected. Try:\n1. your network settings (DNS)\n2. Add "
                                       "8.8.8.8 and 8.8.4.4\n3. Restart the app");
}

TEST(FormatErrorTest, TransportFailuresReadAsAdvice)
{
    const std::pair<URLError::Code, QString> cases[] = {
        { URLError::notConnectedToInternet,
            QStringLiteral("❌ No internet connection. Please check your network settings.") },
        { URLError::cannotFindHost, dnsText },
        { URLError::dnsLookupFailed, dnsText },
        { URLError::timedOut, QStringLiteral("❌ Request timed out. Please try again.") },
        { URLError::networkConnectionLost, QStringLiteral("❌ Network connection lost. Please try again.") },
        { URLError::cannotConnectToHost,
            QStringLiteral("❌ Network error: Could not connect to the server.") },
        { URLError::cancelled, QStringLiteral("❌ Network error: cancelled") },
        { URLError::dataLengthExceedsMaximum,
            QStringLiteral("❌ Network error: resource exceeds maximum size") },
        { URLError::secureConnectionFailed,
            QStringLiteral("❌ Network error: An SSL error has occurred and a secure connection to the server "
                           "cannot be made.") },
    };
    for (const auto &[code, text] : cases)
        EXPECT_EQ(AIManager::formatError(URLError(code)), text) << code;
}

TEST(FormatErrorTest, ClientErrorsReadAsTheirOwnDescription)
{
    const std::pair<AIError, QString> cases[] = {
        { AIError::apiError(QStringLiteral("Rate limit exceeded. Please try again later.")),
            QStringLiteral("Rate limit exceeded. Please try again later.") },
        { AIError::networkError(QStringLiteral("A message")), QStringLiteral("A message") },
        { AIError::invalidURL(), QStringLiteral("Invalid API URL") },
        { AIError::invalidResponse(), QStringLiteral("Invalid API response") },
        { AIError::noResponse(), QStringLiteral("No response from API") },
        { AIError::noAPIKey(), QStringLiteral("OpenAI API key not configured") },
    };
    for (const auto &[error, text] : cases)
        EXPECT_EQ(AIManager::formatError(error), text);

    EXPECT_EQ(AIManager::formatError(OtherError { QStringLiteral("The disk is full.") }),
        QStringLiteral("❌ Failed to analyze image: The disk is full."));
}

TEST(FormatErrorTest, ErrorsRenderForTheLog)
{
    EXPECT_EQ(AIError::apiError(QStringLiteral("API error (status: 201)")).rendering(),
        QStringLiteral("apiError(\"API error (status: 201)\")"));
    EXPECT_EQ(AIError::noResponse().rendering(), QStringLiteral("noResponse"));
    EXPECT_EQ(URLError(URLError::cannotFindHost).textForm(),
        QStringLiteral(
            "URLError(code: -1003, \"A server with the specified hostname could not be found.\")"));
    EXPECT_EQ(URLError(URLError::serverCertificateUntrusted, QStringLiteral("api.openai.com"))
                  .localizedDescription(),
        QStringLiteral(
            "The certificate for this server is invalid. You might be connecting to a server that is "
            "pretending to be “api.openai.com” which could put your confidential information at risk."));
}

TEST(FormatErrorTest, QtFailuresMapOntoTransportCodes)
{
    struct Case
    {
        QNetworkReply::NetworkError error;
        bool timedOut;
        bool certificateRejected;
        URLError::Code code;
    };
    const Case cases[] = {
        { QNetworkReply::HostNotFoundError, false, false, URLError::cannotFindHost },
        { QNetworkReply::OperationCanceledError, true, false, URLError::timedOut },
        { QNetworkReply::OperationCanceledError, false, false, URLError::cancelled },
        { QNetworkReply::TimeoutError, false, false, URLError::timedOut },
        { QNetworkReply::ConnectionRefusedError, false, false, URLError::cannotConnectToHost },
        { QNetworkReply::RemoteHostClosedError, false, false, URLError::networkConnectionLost },
        { QNetworkReply::UnknownNetworkError, false, false, URLError::notConnectedToInternet },
        { QNetworkReply::SslHandshakeFailedError, false, true, URLError::serverCertificateUntrusted },
        { QNetworkReply::SslHandshakeFailedError, false, false, URLError::secureConnectionFailed },
        { QNetworkReply::ProtocolUnknownError, false, false, URLError::unsupportedURL },
        { QNetworkReply::TooManyRedirectsError, false, false, URLError::httpTooManyRedirects },
    };
    for (const Case &c : cases)
        EXPECT_EQ(URLError::fromNetworkError(c.error, c.timedOut, c.certificateRejected, {}).code(), c.code)
            << c.error;
}
