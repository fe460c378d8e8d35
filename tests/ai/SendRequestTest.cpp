#include "AIManagerFixture.h"

using namespace std::chrono_literals;

namespace {

class SendRequestTest : public AIManagerFixture
{
protected:
    Result<QString> send()
    {
        return QCoro::waitFor(manager.sendRequestWithFallback(
            "iVBORw0KGgo=", QStringLiteral("Prompt"), QStringLiteral("sk-test-key")));
    }

    QString attemptLine(const QUrl &url) const
    {
        return QStringLiteral("🌐 Attempting to connect to: ") + url.toString();
    }
    QString mainAttempt() const { return attemptLine(serviceUrl("/v1/chat/completions")); }
};

} // namespace

TEST_F(SendRequestTest, TheRequestCarriesKeyBodyAndTimeOut)
{
    ASSERT_TRUE(send().hasValue());

    ASSERT_EQ(scripted->requests().size(), 1);
    const HttpRequest request = scripted->requests().first();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.url, serviceUrl("/v1/chat/completions"));
    EXPECT_EQ(request.header("Content-Type"), "application/json");
    EXPECT_EQ(request.header("Authorization"), "Bearer sk-test-key");
    EXPECT_EQ(request.header("Host"), QByteArray());
    EXPECT_EQ(request.timeout, 60s);
    EXPECT_EQ(request.body,
        R"({"model":"gpt-4o","messages":[{"role":"user","content":[{"type":"text","text":"Prompt"},)"
        R"({"type":"image_url","image_url":{"url":"data:image/png;base64,iVBORw0KGgo=","detail":"high"}}]}],)"
        R"("max_tokens":1000,"temperature":0.7})");
    ASSERT_EQ(scripted->sessions().size(), 1);
    EXPECT_EQ(scripted->sessions().first().requestTimeout, 30s);
    EXPECT_EQ(scripted->sessions().first().resourceTimeout, 60s);
    EXPECT_EQ(chatRequests().first().body, request.body);
}

TEST_F(SendRequestTest, EveryStatusButExactly200IsARefusal)
{
    struct Case
    {
        FakeReply reply;
        std::optional<QString> answer;
        std::optional<AIError> error;
        QStringList linesAfterStatus;
    };
    const QString body401
        = QStringLiteral(R"({"error":{"message":"Incorrect API key provided","code":"invalid_api_key"}})");
    const Case cases[] = {
        { FakeReply::chatCompletion(QStringLiteral("  Kept as sent \n")), QStringLiteral("  Kept as sent \n"),
            {}, { QStringLiteral("✅ Successfully received AI response") } },
        { FakeReply::chatCompletion(QString()), QString(), {},
            { QStringLiteral("✅ Successfully received AI response") } },
        { FakeReply::withStatus(
              200, R"({"choices":[{"message":{"content":"first"}},{"message":{"content":"second"}}]})"),
            QStringLiteral("first"), {}, { QStringLiteral("✅ Successfully received AI response") } },
        { FakeReply::withStatus(201, "{}"), {}, AIError::apiError(QStringLiteral("API error (status: 201)")),
            { QStringLiteral("❌ API error with status code: 201"), QStringLiteral("❌ Response body: {}"),
                QStringLiteral("❌ Unknown error: apiError(\"API error (status: 201)\")") } },
        { FakeReply::withStatus(401, body401.toUtf8()), {},
            AIError::apiError(
                QStringLiteral("Invalid API key. Please check your OpenAI API key in Settings.")),
            { QStringLiteral("❌ API error with status code: 401"),
                QStringLiteral("❌ Response body: ") + body401,
                QStringLiteral(
                    "❌ Unknown error: apiError(\"Invalid API key. Please check your OpenAI API key in "
                    "Settings.\")") } },
        { FakeReply::withStatus(429), {},
            AIError::apiError(QStringLiteral("Rate limit exceeded. Please try again later.")),
            { QStringLiteral("❌ API error with status code: 429"), QStringLiteral("❌ Response body: "),
                QStringLiteral(
                    "❌ Unknown error: apiError(\"Rate limit exceeded. Please try again later.\")") } },
        { FakeReply::withStatus(499, "\xff\xfe not text"), {},
            AIError::apiError(QStringLiteral("API error (status: 499)")),
            { QStringLiteral("❌ API error with status code: 499"),
                QStringLiteral("❌ Unknown error: apiError(\"API error (status: 499)\")") } },
        { FakeReply::withStatus(500), {},
            AIError::apiError(QStringLiteral("OpenAI server error. Please try again later.")), {} },
        // A body that would write a line of our own into the log, and turn
        // what follows it around, stays within its line, written out.
        { FakeReply::withStatus(
              500, "{\"error\":\"busy\"}\n✅ Successfully received AI response\r\n\u202E.enif lla"),
            {}, AIError::apiError(QStringLiteral("OpenAI server error. Please try again later.")),
            { QStringLiteral("❌ API error with status code: 500"),
                QStringLiteral("❌ Response body: {\"error\":\"busy\"}\\n✅ Successfully received AI "
                               "response\\r\\n\\u202E.enif lla"),
                QStringLiteral(
                    "❌ Unknown error: apiError(\"OpenAI server error. Please try again later.\")") } },
        { FakeReply::withStatus(599), {},
            AIError::apiError(QStringLiteral("OpenAI server error. Please try again later.")), {} },
        { FakeReply::withStatus(600), {}, AIError::apiError(QStringLiteral("API error (status: 600)")), {} },
        { FakeReply::withStatus(200, R"({"choices":[]})"), {}, AIError::noResponse(),
            { QStringLiteral("❌ No choices in response"), QStringLiteral("❌ Unknown error: noResponse") } },
    };
    for (const Case &c : cases) {
        service.enqueue("POST", "/v1/chat/completions", c.reply);
        log.clear();
        const Result<QString> result = send();
        SCOPED_TRACE(c.reply.status);
        if (c.answer) {
            ASSERT_TRUE(result.hasValue());
            EXPECT_EQ(result.value(), *c.answer);
        } else {
            ASSERT_FALSE(result.hasValue());
            EXPECT_EQ(result.error(), ClientError(*c.error));
        }
        const QStringList expectedStart { mainAttempt(), QStringLiteral("📤 Request prepared, sending..."),
            QStringLiteral("📥 Response received"),
            QStringLiteral("📊 HTTP Status Code: %1").arg(c.reply.status) };
        if (c.linesAfterStatus.isEmpty())
            EXPECT_EQ(log.lines().mid(0, 4), expectedStart);
        else
            EXPECT_EQ(log.lines(), expectedStart + c.linesAfterStatus);
    }
}

TEST_F(SendRequestTest, AnAnswerThatDoesNotDecodeIsAnInvalidResponse)
{
    service.enqueue("POST", "/v1/chat/completions", FakeReply::withStatus(200, "<html>Bad gateway</html>"));
    const Result<QString> result = send();
    ASSERT_FALSE(result.hasValue());
    EXPECT_EQ(result.error(), ClientError(AIError::invalidResponse()));
    ASSERT_EQ(log.lines().size(), 5);
    EXPECT_TRUE(log.lines()[4].startsWith(QStringLiteral("❌ JSON Decoding error: dataCorrupted")));
}

TEST_F(SendRequestTest, AnAnswerThatIsNotHttpIsAnInvalidResponse)
{
    scripted->script(serviceUrl("/v1/chat/completions"), HttpResponse { std::nullopt, "raw bytes" });
    const Result<QString> result = send();
    ASSERT_FALSE(result.hasValue());
    EXPECT_EQ(result.error(), ClientError(AIError::invalidResponse()));
    EXPECT_EQ(log.lines(),
        QStringList({ mainAttempt(), QStringLiteral("📤 Request prepared, sending..."),
            QStringLiteral("📥 Response received"), QStringLiteral("❌ Invalid response type"),
            QStringLiteral("❌ Unknown error: invalidResponse") }));
}

TEST_F(SendRequestTest, OnlyAnUnknownHostTriesTheFixedAddress)
{
    for (const URLError::Code code :
        { URLError::timedOut, URLError::dnsLookupFailed, URLError::notConnectedToInternet,
            URLError::networkConnectionLost, URLError::secureConnectionFailed }) {
        SCOPED_TRACE(code);
        scripted->script(serviceUrl("/v1/chat/completions"), URLError(code));
        log.clear();
        const Result<QString> result = send();
        ASSERT_FALSE(result.hasValue());
        EXPECT_EQ(result.error(), ClientError(URLError(code)));
        EXPECT_EQ(log.lines(),
            QStringList({ mainAttempt(), QStringLiteral("📤 Request prepared, sending..."),
                QStringLiteral("❌ Network error: ") + URLError(code).localizedDescription(),
                QStringLiteral("❌ Error code: %1").arg(int(code)) }));
    }
    EXPECT_TRUE(chatRequests().isEmpty());
}

TEST_F(SendRequestTest, AnUnknownHostIsTriedOnceMoreAtTheFixedAddressNamingTheService)
{
    const QUrl fallback(QStringLiteral("http://127.0.0.1:%1/v1/chat/completions").arg(service.port()));
    ScopedEndpoints apart(
        QUrl(QStringLiteral("http://127.0.0.1:1")), service.baseUrl(), { service.baseUrl() });
    const QUrl main(QStringLiteral("http://127.0.0.1:1/v1/chat/completions"));
    scripted->script(main, URLError(URLError::cannotFindHost));
    service.enqueue(
        "POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("Through the address")));

    const Result<QString> result = send();
    ASSERT_TRUE(result.hasValue());
    EXPECT_EQ(result.value(), QStringLiteral("Through the address"));
    EXPECT_EQ(log.lines(),
        QStringList({ attemptLine(main), QStringLiteral("📤 Request prepared, sending..."),
            QStringLiteral("❌ Network error: A server with the specified hostname could not be found."),
            QStringLiteral("❌ Error code: -1003"),
            QStringLiteral("⚠️ DNS failed, trying with IP address fallback..."), attemptLine(fallback),
            QStringLiteral("📤 Request prepared, sending..."), QStringLiteral("📥 Response received"),
            QStringLiteral("📊 HTTP Status Code: 200"),
            QStringLiteral("✅ Successfully received AI response") }));

    ASSERT_EQ(scripted->requests().size(), 2);
    EXPECT_EQ(scripted->requests()[0].header("Host"), QByteArray());
    EXPECT_TRUE(scripted->requests()[0].peerVerifyName.isEmpty());
    EXPECT_EQ(scripted->requests()[1].url, fallback);
    EXPECT_EQ(scripted->requests()[1].header("Host"), "api.openai.com");
    EXPECT_EQ(scripted->requests()[1].peerVerifyName, QStringLiteral("api.openai.com"));
    EXPECT_EQ(scripted->requests()[1].body, scripted->requests()[0].body);
    EXPECT_EQ(scripted->sessions().size(), 2);
    ASSERT_EQ(chatRequests().size(), 1);
    EXPECT_EQ(chatRequests()[0].header("Host"), "api.openai.com");
}

TEST_F(SendRequestTest, ThereIsNeverAThirdAttempt)
{
    const QUrl fallback(QStringLiteral("http://127.0.0.1:%1/v1/chat/completions").arg(service.port()));
    scripted->scriptAlways(serviceUrl("/v1/chat/completions"), URLError(URLError::cannotFindHost));
    const Result<QString> result = send();
    ASSERT_FALSE(result.hasValue());
    EXPECT_EQ(result.error(), ClientError(URLError(URLError::cannotFindHost)));
    EXPECT_EQ(scripted->requests().size(), 2);
    EXPECT_EQ(log.lines().filter(QStringLiteral("🌐 Attempting to connect to: ")).size(), 2);
    EXPECT_EQ(log.lines().last(), QStringLiteral("❌ Error code: -1003"));
    EXPECT_EQ(AIManager::formatError(result.error()),
        QStringLiteral("❌ DNS issue detected. Try:\n1. your network settings (DNS)\n2. Add 8.8.8.8 and "
                       "8.8.4.4\n3. Restart the app"));
}

TEST_F(SendRequestTest, AnEndpointThatIsNotAUrlIsRefusedBeforeAnythingGoesOut)
{
    const QByteArray saved = qgetenv("PEXILO_API_BASE");
    qputenv("PEXILO_API_BASE", "http://127.0.0.1:99999");
    const Result<QString> result = send();
    qputenv("PEXILO_API_BASE", saved);

    ASSERT_FALSE(result.hasValue());
    EXPECT_EQ(result.error(), ClientError(AIError::invalidURL()));
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.lines()[0].startsWith(QStringLiteral("🌐 Attempting to connect to: ")));
    EXPECT_TRUE(log.lines()[1].startsWith(QStringLiteral("❌ Invalid URL: ")));
    EXPECT_TRUE(log.lines()[1].contains(QStringLiteral("http://127.0.0.1:99999")))
        << log.lines()[1].toStdString();
    EXPECT_TRUE(scripted->requests().isEmpty());
}
