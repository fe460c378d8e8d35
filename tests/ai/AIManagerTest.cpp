#include "AIManagerFixture.h"
#include "platform/ImageData.h"

#include <QTcpServer>
#include <QTest>

using namespace std::chrono_literals;

namespace {
const QString followUpInstruction = QStringLiteral(
    "Please answer the follow-up question while considering the previous conversation context. Reference "
    "specific details from your previous response when relevant.");
}

TEST_F(AIManagerFixture, AnswerIsPublishedAfterTheContextItForms)
{
    service.enqueue(
        "POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("A blue window.")));
    WriteRecorder recorder(manager);

    const AIResponse record = analyze(QStringLiteral("What is this?"));

    EXPECT_EQ(recorder.writes(),
        QStringList({ "isProcessing=true", "conversationContext", "lastResponse", "responses",
            "isProcessing=false" }));
    EXPECT_EQ(record.content, QStringLiteral("A blue window."));
    EXPECT_EQ(record.question, QStringLiteral("What is this?"));
    EXPECT_FALSE(record.action.has_value());
    EXPECT_EQ(manager.lastResponse(), record);
    EXPECT_EQ(manager.responses(), QList<AIResponse> { record });
    ASSERT_TRUE(manager.conversationContext().has_value());
    EXPECT_EQ(manager.conversationContext()->originalQuestion, QStringLiteral("What is this?"));
    EXPECT_EQ(manager.conversationContext()->aiResponse, QStringLiteral("A blue window."));
    EXPECT_FALSE(manager.isProcessing());
    EXPECT_EQ(sentPrompt(0), QStringLiteral("What is this?"));
    EXPECT_EQ(log.lines().first(), QStringLiteral("🔍 Testing network connectivity..."));
}

TEST_F(AIManagerFixture, AnEmptyQuestionAsksWhatTheImageShows)
{
    const AIResponse record = analyze(QString());
    EXPECT_EQ(sentPrompt(0), QStringLiteral("What do you see in this image?"));
    EXPECT_EQ(record.question, QString());
    EXPECT_EQ(manager.conversationContext()->originalQuestion, QString());
}

TEST_F(AIManagerFixture, QuickActionsAndFollowUpsQuoteTheFirstQuestionAndTheLatestAnswer)
{
    service.enqueue(
        "POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("First answer")));
    service.enqueue(
        "POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("Second answer")));
    service.enqueue(
        "POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("Third answer")));

    const AIResponse first = QCoro::waitFor(manager.handleQuickAction(QuickAction::summarize, image));
    EXPECT_EQ(
        sentPrompt(0), QStringLiteral("Summarize what you see in this image. Be concise but comprehensive."));
    EXPECT_EQ(first.question, QStringLiteral("Summarize this image"));
    EXPECT_EQ(first.action, QuickAction::summarize);
    EXPECT_EQ(manager.conversationContext()->originalQuestion, QStringLiteral("Summarize this image"));

    const AIResponse second = QCoro::waitFor(manager.handleQuickAction(QuickAction::explain, image));
    EXPECT_EQ(sentPrompt(1),
        QStringLiteral(
            "Previous conversation context:\nOriginal question: Summarize this image\n"
            "Previous AI response: First answer\n\nFollow-up question: Explain what's in this image\n\n")
            + followUpInstruction);
    EXPECT_EQ(second.action, QuickAction::explain);
    EXPECT_EQ(second.question, QStringLiteral("Explain what's in this image"));

    const AIResponse third
        = QCoro::waitFor(manager.analyzeImageWithFollowUp(image, QStringLiteral("And the colours?")));
    EXPECT_EQ(sentPrompt(2),
        QStringLiteral("Previous conversation context:\nOriginal question: Summarize this image\n"
                       "Previous AI response: Second answer\n\nFollow-up question: And the colours?\n\n")
            + followUpInstruction);
    EXPECT_FALSE(third.action.has_value());
    EXPECT_EQ(manager.conversationContext()->originalQuestion, QStringLiteral("Summarize this image"));
    EXPECT_EQ(manager.conversationContext()->aiResponse, QStringLiteral("Third answer"));
    EXPECT_EQ(manager.conversationContext()->timestamp, third.timestamp);
    EXPECT_EQ(manager.responses(), (QList<AIResponse> { first, second, third }));
}

TEST_F(AIManagerFixture, EachQuickActionSendsItsInstructionBeforeAnyAnswer)
{
    const std::pair<QuickAction, QString> instructions[] = {
        { QuickAction::summarize,
            QStringLiteral("Summarize what you see in this image. Be concise but comprehensive.") },
        { QuickAction::extractText,
            QStringLiteral(
                "Extract all visible text from this image. Format it clearly and maintain any structure "
                "you can see.") },
        { QuickAction::explain,
            QStringLiteral(
                "Explain what's happening in this image. If it contains code, explain what the code "
                "does. If it's a diagram, explain the concepts. Be detailed but clear.") },
        { QuickAction::identify,
            QStringLiteral(
                "Identify and describe all the key elements, objects, people, or components you can "
                "see in this image.") },
    };
    for (const auto &[action, instruction] : instructions) {
        EXPECT_EQ(manager.buildPrompt(action, QStringLiteral("ignored"), false), instruction);
        // Without a context the flag changes nothing.
        EXPECT_EQ(manager.buildPrompt(action, QStringLiteral("ignored"), true), instruction);
    }
    EXPECT_EQ(AIManager::getQuestionForAction(QuickAction::extractText),
        QStringLiteral("Extract text from this image"));
    EXPECT_EQ(AIManager::getQuestionForAction(QuickAction::identify),
        QStringLiteral("Identify what's in this image"));
}

TEST_F(AIManagerFixture, FailuresArePublishedButNeverStartOrChangeTheContext)
{
    service.enqueue("POST", "/v1/chat/completions", FakeReply::withStatus(500, R"({"error":"down"})"));
    service.enqueue(
        "POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("Now it works")));
    service.enqueue("POST", "/v1/chat/completions", FakeReply::withStatus(429));
    WriteRecorder recorder(manager);

    const AIResponse failed = analyze(QStringLiteral("First try"));
    EXPECT_EQ(failed.content, QStringLiteral("OpenAI server error. Please try again later."));
    EXPECT_EQ(recorder.writes(),
        QStringList({ "isProcessing=true", "lastResponse", "responses", "isProcessing=false" }));
    EXPECT_FALSE(manager.conversationContext().has_value());

    analyze(QStringLiteral("Second try"));
    EXPECT_EQ(sentPrompt(1), QStringLiteral("Second try"));
    EXPECT_EQ(manager.conversationContext()->originalQuestion, QStringLiteral("Second try"));

    const AIResponse limited = analyze(QStringLiteral("Third try"));
    EXPECT_EQ(limited.content, QStringLiteral("Rate limit exceeded. Please try again later."));
    EXPECT_EQ(manager.conversationContext()->aiResponse, QStringLiteral("Now it works"));
    EXPECT_EQ(manager.responses().size(), 3);
    EXPECT_EQ(manager.lastResponse(), limited);
}

TEST_F(AIManagerFixture, ClearingTheAnswersFromOutsideKeepsTheContext)
{
    analyze(QStringLiteral("Opening question"));
    manager.setLastResponse(std::nullopt);
    manager.setResponses({});
    ASSERT_TRUE(manager.conversationContext().has_value());

    analyze(QStringLiteral("Next"));
    EXPECT_TRUE(sentPrompt(1).startsWith(
        QStringLiteral("Previous conversation context:\nOriginal question: Opening question\n")));
    EXPECT_EQ(manager.responses().size(), 1);
}

TEST_F(AIManagerFixture, ResetClearsEverythingAndStartsANewExchange)
{
    analyze(QStringLiteral("About the old screenshot"));
    WriteRecorder recorder(manager);
    manager.resetForNewScreenshot();

    EXPECT_EQ(recorder.writes(),
        QStringList({ "isProcessing=false", "lastResponse", "conversationContext", "responses" }));
    EXPECT_FALSE(manager.lastResponse().has_value());
    EXPECT_TRUE(manager.responses().isEmpty());
    EXPECT_FALSE(manager.conversationContext().has_value());
    EXPECT_EQ(log.lines().last(), QStringLiteral("🔄 AI Manager reset - cleared all responses"));

    analyze(QStringLiteral("About the new one"));
    EXPECT_EQ(sentPrompt(1), QStringLiteral("About the new one"));
}

// An answer that arrives after a reset belongs to the screenshot the user
// left: its caller gets it, the new exchange never sees it.
TEST_F(AIManagerFixture, AnAnswerArrivingAfterAResetIsNotPublished)
{
    analyze(QStringLiteral("About the old screenshot"));
    FakeReply late = FakeReply::chatCompletion(QStringLiteral("Late answer"));
    late.delay = 600ms;
    service.enqueue("POST", "/v1/chat/completions", late);

    QCoro::Task<AIResponse> running
        = manager.analyzeImage(image, QStringLiteral("Slow question"), std::nullopt);
    ASSERT_TRUE(service.waitForRequests(4)); // probe, chat, probe, chat
    manager.resetForNewScreenshot();
    // The next screenshot's first question starts while the old one still runs.
    FakeReply fresh = FakeReply::chatCompletion(QStringLiteral("Fresh answer"));
    fresh.delay = 1200ms;
    service.enqueue("POST", "/v1/chat/completions", fresh);
    QCoro::Task<AIResponse> next
        = manager.analyzeImage(sampleImage(), QStringLiteral("New question"), std::nullopt);
    ASSERT_TRUE(manager.isProcessing());

    const AIResponse stale = QCoro::waitFor(std::move(running));
    EXPECT_EQ(stale.content, QStringLiteral("Late answer"));
    EXPECT_EQ(stale.question, QStringLiteral("Slow question"));
    EXPECT_FALSE(manager.lastResponse().has_value());
    EXPECT_TRUE(manager.responses().isEmpty());
    EXPECT_FALSE(manager.conversationContext().has_value());
    EXPECT_TRUE(manager.isProcessing()); // the new question still runs

    const AIResponse answer = QCoro::waitFor(std::move(next));
    EXPECT_EQ(manager.responses(), QList<AIResponse> { answer });
    EXPECT_EQ(manager.conversationContext()->originalQuestion, QStringLiteral("New question"));
    EXPECT_EQ(manager.conversationContext()->aiResponse, QStringLiteral("Fresh answer"));
    EXPECT_FALSE(manager.isProcessing());
    EXPECT_EQ(sentPrompt(2), QStringLiteral("New question"));
}

// The key comes from the user's settings, read anew for every analysis.
TEST_F(AIManagerFixture, WithoutAKeyNothingGoesOut)
{
    UserDefaults::standard().removeObject(QStringLiteral("apiKey"));
    WriteRecorder recorder(manager);

    const AIResponse record = analyze(QStringLiteral("Anything"), QuickAction::identify);

    EXPECT_EQ(record.content,
        QStringLiteral("⚠️ OpenAI API key not configured. Please set your API key in Settings."));
    EXPECT_EQ(record.action, QuickAction::identify);
    EXPECT_EQ(recorder.writes(),
        QStringList({ "isProcessing=true", "lastResponse", "responses", "isProcessing=false" }));
    EXPECT_TRUE(scripted->requests().isEmpty());
    EXPECT_TRUE(scripted->sessions().isEmpty());
    EXPECT_TRUE(service.requests().isEmpty());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(AIManagerFixture, TheKeyIsTheOneStoredWhenTheAnalysisStarts)
{
    analyze(QStringLiteral("One"));
    UserDefaults::standard().setString(QStringLiteral("apiKey"), QStringLiteral("sk-changed"));
    analyze(QStringLiteral("Two"));
    EXPECT_EQ(chatRequests().at(0).header("Authorization"), "Bearer sk-test-key");
    EXPECT_EQ(chatRequests().at(1).header("Authorization"), "Bearer sk-changed");

    UserDefaults::standard().setString(QStringLiteral("apiKey"), QString());
    EXPECT_EQ(analyze(QStringLiteral("Three")).content,
        QStringLiteral("⚠️ OpenAI API key not configured. Please set your API key in Settings."));
    EXPECT_EQ(chatRequests().size(), 2);
}

TEST_F(AIManagerFixture, TheModelListIsAskedWithTheKeyTheAnalysisStartedWith)
{
    // Resolvers that refuse through the real network, so that the analysis
    // is waiting for them when the stored key changes.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const QUrl closed(QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()));
    server.close();
    ScopedEndpoints closedResolvers(service.baseUrl(), service.baseUrl(), { closed, closed, closed });

    QCoro::Task<AIResponse> running = manager.analyzeImage(image, QStringLiteral("One"), std::nullopt);
    UserDefaults::standard().setString(QStringLiteral("apiKey"), QStringLiteral("sk-changed-meanwhile"));
    QCoro::waitFor(running);

    ASSERT_EQ(service.requests("GET", "/v1/models").size(), 1);
    EXPECT_EQ(service.requests("GET", "/v1/models").first().header("Authorization"), "Bearer sk-test-key");
    EXPECT_EQ(chatRequests().first().header("Authorization"), "Bearer sk-test-key");
}

// A key goes out trimmed; one that holds anything but printable ASCII goes
// nowhere (it would break the header line, or come back as an invalid key),
// and the log says what is wrong with it.
TEST_F(AIManagerFixture, AKeyIsTrimmedAndGoesOutOnlyAsPrintableAscii)
{
    const QString notConfigured
        = QStringLiteral("⚠️ OpenAI API key not configured. Please set your API key in Settings.");
    const QString control = QStringLiteral("a line break or another control character");
    const QString invisible = QStringLiteral("an invisible character");
    const QString notAscii = QStringLiteral("a character that is not plain ASCII, such as a letter of "
                                            "another alphabet that looks like a Latin one");
    const struct
    {
        QString stored;
        QByteArray sent; // empty: nothing goes out
        QString kind; // of the refused character, with its code point
    } cases[] = {
        { QStringLiteral("  sk-abc \n"), "Bearer sk-abc", {} },
        { QStringLiteral("\tsk-abc\r\n"), "Bearer sk-abc", {} },
        { QStringLiteral("sk-~!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}"),
            "Bearer sk-~!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}", {} },
        { QStringLiteral("sk-abc\r\nX-Injected: yes"), {}, control + QStringLiteral(" (U+000D)") },
        { QStringLiteral("sk-abc\nmore"), {}, control + QStringLiteral(" (U+000A)") },
        { QStringLiteral("sk-a\tbc"), {}, control + QStringLiteral(" (U+0009)") },
        { QStringLiteral("sk-a\u0000bc"), {}, control + QStringLiteral(" (U+0000)") },
        { QStringLiteral("sk-a\u2028bc"), {}, control + QStringLiteral(" (U+2028)") },
        { QStringLiteral("sk-a\u0085bc"), {}, control + QStringLiteral(" (U+0085)") },
        { QStringLiteral("sk-a\u007fbc"), {}, control + QStringLiteral(" (U+007F)") },
        { QStringLiteral("sk-ab\u200Bcd"), {}, invisible + QStringLiteral(" (U+200B)") },
        { QStringLiteral("\u200Esk-abcd"), {}, invisible + QStringLiteral(" (U+200E)") },
        { QStringLiteral("sk-abcd\u202E"), {}, invisible + QStringLiteral(" (U+202E)") },
        { QStringLiteral("sk-ab\uFEFFcd"), {}, invisible + QStringLiteral(" (U+FEFF)") },
        { QStringLiteral("sk-ab\u00A0cd"), {},
            QStringLiteral("a space that is not an ordinary one (U+00A0)") },
        // Cyrillic "а" and "е" in place of the Latin letters.
        { QStringLiteral("sk-\u0430b\u0435d"), {}, notAscii + QStringLiteral(" (U+0430)") },
        { QStringLiteral("sk-ab🔑cd"), {}, notAscii + QStringLiteral(" (U+1F511)") },
        { QStringLiteral(" \n "), {}, {} },
    };
    for (const auto &testCase : cases) {
        SCOPED_TRACE(testCase.stored.toStdString());
        UserDefaults::standard().setString(QStringLiteral("apiKey"), testCase.stored);
        const qsizetype requestsBefore = service.requests().size();
        log.clear();

        const AIResponse record = analyze(QStringLiteral("Key?"));

        EXPECT_EQ(manager.hasAPIKey(), !testCase.sent.isEmpty());
        if (!testCase.sent.isEmpty()) {
            EXPECT_EQ(record.content, QStringLiteral("This is a test answer."));
            EXPECT_EQ(chatRequests().last().header("Authorization"), testCase.sent);
            continue;
        }
        EXPECT_EQ(service.requests().size(), requestsBefore);
        EXPECT_EQ(record.content, notConfigured);
        EXPECT_EQ(log.lines(),
            testCase.kind.isEmpty() ? QStringList()
                                    : QStringList { QStringLiteral("⚠️ The API key in Settings holds ")
                                        + testCase.kind + QStringLiteral(", so it is not sent") });
    }
    for (const RecordedRequest &request : service.requests())
        EXPECT_FALSE(request.hasHeader("X-Injected"));
}

// The key and the screenshot go only to the origin they were sent to.
TEST_F(AIManagerFixture, ARedirectToAnotherOriginIsAnErrorWithItsStatus)
{
    FakeAIService elsewhere; // another port on loopback: another origin
    QUrl target = elsewhere.baseUrl();
    target.setPath(QStringLiteral("/v1/chat/completions"));
    service.enqueue("POST", "/v1/chat/completions", FakeReply::redirect(307, target));

    const AIResponse record = analyze(QStringLiteral("Where does this go?"));

    EXPECT_EQ(record.content, QStringLiteral("API error (status: 307)"));
    EXPECT_TRUE(elsewhere.requests().isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("❌ API error with status code: 307")));
    EXPECT_FALSE(manager.conversationContext().has_value());
}

// A service that sends the request back to itself for ever gets the
// screenshot a few times at most, not once per redirect Qt would follow.
TEST_F(AIManagerFixture, ARedirectLoopEndsAfterAFewUploadsWithAnError)
{
    service.setDefault(
        "POST", "/v1/chat/completions", FakeReply::redirect(307, serviceUrl("/v1/chat/completions")));

    const AIResponse record = analyze(QStringLiteral("Where does this go?"));

    EXPECT_EQ(record.content, QStringLiteral("❌ Network error: too many HTTP redirects"));
    // The request and three redirects.
    EXPECT_EQ(chatRequests().size(), 4);
    for (const RecordedRequest &request : chatRequests())
        EXPECT_FALSE(contentOf(request).isEmpty());
    EXPECT_FALSE(manager.conversationContext().has_value());

    // Within the limit a redirect is still followed.
    service.setDefault("POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("Moved.")));
    for (int hop = 0; hop < 3; ++hop)
        service.enqueue(
            "POST", "/v1/chat/completions", FakeReply::redirect(308, serviceUrl("/v1/chat/completions")));
    EXPECT_EQ(analyze(QStringLiteral("And now?")).content, QStringLiteral("Moved."));
}

TEST_F(AIManagerFixture, HasAPIKeyWantsARealStoredKey)
{
    EXPECT_TRUE(manager.hasAPIKey());
    UserDefaults::standard().setString(QStringLiteral("apiKey"), QStringLiteral("your_api_key_here"));
    EXPECT_FALSE(manager.hasAPIKey());
    UserDefaults::standard().setString(QStringLiteral("apiKey"), QString());
    EXPECT_FALSE(manager.hasAPIKey());
    UserDefaults::standard().removeObject(QStringLiteral("apiKey"));
    EXPECT_FALSE(manager.hasAPIKey());
}

TEST_F(AIManagerFixture, AnImageThatCannotBeEncodedIsReportedWithoutARequest)
{
    const AIResponse record
        = QCoro::waitFor(manager.analyzeImage(QImage(), QStringLiteral("What?"), std::nullopt));
    EXPECT_EQ(record.content, QStringLiteral("❌ Failed to process image"));
    EXPECT_TRUE(chatRequests().isEmpty());
    EXPECT_EQ(manager.lastResponse(), record);
}

TEST_F(AIManagerFixture, TheImageTravelsAsItsPngInADataUrl)
{
    analyze(QStringLiteral("One"));
    analyze(QStringLiteral("Two"));
    const QJsonArray content = contentOf(chatRequests().at(0));
    EXPECT_EQ(content[1][QStringLiteral("type")].toString(), QStringLiteral("image_url"));
    EXPECT_EQ(
        content[1][QStringLiteral("image_url")][QStringLiteral("detail")].toString(), QStringLiteral("high"));
    const QString url = content[1][QStringLiteral("image_url")][QStringLiteral("url")].toString();
    ASSERT_TRUE(url.startsWith(QStringLiteral("data:image/png;base64,")));
    const QByteArray png = QByteArray::fromBase64(url.mid(22).toLatin1());
    EXPECT_EQ(png, ImageData::pngData(image));
    EXPECT_EQ(ImageData::imageFromPng(png).convertToFormat(QImage::Format_RGB32), image);
    EXPECT_EQ(contentOf(chatRequests().at(1))[1], content[1]);
}
