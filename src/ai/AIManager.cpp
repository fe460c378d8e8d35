#include "AIManager.h"

#include "OpenAIRequest.h"
#include "OpenAIResponse.h"
#include "QtHttpTransport.h"
#include "platform/Background.h"
#include "platform/ImageData.h"
#include "platform/Log.h"
#include "platform/NetworkEndpoints.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"

#include <QCoro/QCoroFuture>
#include <QStringDecoder>

#include <algorithm>
#include <chrono>

using namespace std::chrono_literals;

namespace {

constexpr auto probeTimeout = 5s;
constexpr auto modelListTimeout = 10s;
constexpr auto requestTimeout = 60s;

const QString noKeyText
    = QStringLiteral("⚠️ OpenAI API key not configured. Please set your API key in Settings.");

QString connectivityAdvice()
{
    return QStringLiteral("❌ Network connectivity issue. Your computer appears to have DNS problems. Try:\n\n"
                          "1. Open your network settings (DNS)\n"
                          "2. Add these DNS servers: %1 and %2\n"
                          "3. Click OK and restart the app\n\n"
                          "Alternatively, try restarting your computer or resetting network settings.")
        .arg(QLatin1String(NetworkEndpoints::dnsAdviceAddressA),
            QLatin1String(NetworkEndpoints::dnsAdviceAddressB));
}

QString dnsAdvice()
{
    return QStringLiteral("❌ DNS issue detected. Try:\n"
                          "1. your network settings (DNS)\n"
                          "2. Add %1 and %2\n"
                          "3. Restart the app")
        .arg(QLatin1String(NetworkEndpoints::dnsAdviceAddressA),
            QLatin1String(NetworkEndpoints::dnsAdviceAddressB));
}

QString refusalText(int status)
{
    if (status == 401)
        return QStringLiteral("Invalid API key. Please check your OpenAI API key in Settings.");
    if (status == 429)
        return QStringLiteral("Rate limit exceeded. Please try again later.");
    if (status >= 500 && status <= 599)
        return QStringLiteral("OpenAI server error. Please try again later.");
    return QStringLiteral("API error (status: %1)").arg(status);
}

// The first character of the trimmed key that a key cannot hold, or nothing.
std::optional<char32_t> refusedKeyCharacter(const QString &stored)
{
    const QString key = stored.trimmed();
    for (const char32_t character : key.toUcs4()) {
        if (character < 0x20 || character > 0x7e)
            return character;
    }
    return std::nullopt;
}

// What kind of character it is, as a user would name it.
QString keyCharacterKind(char32_t character)
{
    switch (QChar::category(character)) {
    case QChar::Other_Control:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return QStringLiteral("a line break or another control character");
    case QChar::Separator_Space:
        return QStringLiteral("a space that is not an ordinary one");
    case QChar::Other_Format:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
        return QStringLiteral("an invisible character");
    default:
        return QStringLiteral("a character that is not plain ASCII, such as a letter of another alphabet "
                              "that looks like a Latin one");
    }
}

QString codePoint(char32_t character)
{
    return QStringLiteral("U+")
        + QString::number(uint(character), 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

QByteArray bearer(const QString &apiKey)
{
    return "Bearer " + apiKey.toUtf8();
}

std::optional<QString> decodedUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

AIManager::AIManager()
    : m_transport(std::make_shared<QtHttpTransport>())
{ }

AIManager &AIManager::shared()
{
    static AIManager *manager = new AIManager; // lives as long as the process
    return *manager;
}

void AIManager::setIsProcessing(bool processing)
{
    m_isProcessing = processing;
    Q_EMIT isProcessingChanged();
}

void AIManager::setLastResponse(const std::optional<AIResponse> &response)
{
    m_lastResponse = response;
    Q_EMIT lastResponseChanged();
}

void AIManager::setResponses(const QList<AIResponse> &responses)
{
    m_responses = responses;
    Q_EMIT responsesChanged();
}

void AIManager::setConversationContext(const std::optional<ConversationContext> &context)
{
    m_conversationContext = context;
    Q_EMIT conversationContextChanged();
}

void AIManager::appendResponse(const AIResponse &response)
{
    m_responses.append(response);
    Q_EMIT responsesChanged();
}

void AIManager::resetForNewScreenshot()
{
    ++m_exchange;
    setIsProcessing(false);
    setLastResponse(std::nullopt);
    setConversationContext(std::nullopt);
    m_responses = QList<AIResponse>(); // releases the storage too
    Q_EMIT responsesChanged();
    Log::line(QStringLiteral("🔄 AI Manager reset - cleared all responses"));
}

void AIManager::restoreExchange(const QList<AIResponse> &responses)
{
    ++m_exchange;
    setIsProcessing(false);
    if (responses.isEmpty()) {
        setLastResponse(std::nullopt);
        setConversationContext(std::nullopt);
    } else {
        // The saved answers do not say which of them were failure texts, so
        // the latest one stands for the latest successful answer.
        const AIResponse &latest = responses.last();
        setLastResponse(latest);
        setConversationContext(ConversationContext { responses.first().question, latest.content, latest.timestamp });
    }
    setResponses(responses);
}

QString AIManager::apiKey()
{
    return usableAPIKey(SettingsKeys::apiKey.read(UserDefaults::standard()));
}

QString AIManager::usableAPIKey(const QString &stored)
{
    return refusedKeyCharacter(stored) ? QString() : stored.trimmed();
}

bool AIManager::hasAPIKey() const
{
    const QString key = apiKey();
    return !key.isEmpty() && key != QLatin1String("your_api_key_here");
}

QUrl AIManager::baseURL()
{
    return NetworkEndpoints::chatCompletionsUrl();
}

QUrl AIManager::baseURLWithIP()
{
    return NetworkEndpoints::chatCompletionsFallbackUrl();
}

void AIManager::setTransport(std::shared_ptr<HttpTransport> transport)
{
    m_transport = std::move(transport);
}

QCoro::Task<AIResponse> AIManager::analyzeImage(
    const QImage &image, const QString &question, std::optional<QuickAction> action)
{
    return runAnalysis(image, question, action);
}

QCoro::Task<AIResponse> AIManager::analyzeImageWithFollowUp(
    const QImage &image, const QString &followUpQuestion)
{
    return runAnalysis(image, followUpQuestion, std::nullopt);
}

QCoro::Task<AIResponse> AIManager::handleQuickAction(QuickAction action, const QImage &image)
{
    return runAnalysis(image, getQuestionForAction(action), action);
}

QCoro::Task<AIResponse> AIManager::runAnalysis(
    QImage image, QString question, std::optional<QuickAction> action)
{
    const quint64 exchange = m_exchange;
    const auto isCurrent = [this, exchange] { return exchange == m_exchange; };
    setIsProcessing(true);

    QString answer;
    bool answered = false;
    const QString stored = SettingsKeys::apiKey.read(UserDefaults::standard());
    const QString key = usableAPIKey(stored);
    if (key.isEmpty()) {
        if (const std::optional<char32_t> refused = refusedKeyCharacter(stored))
            Log::line(QStringLiteral("⚠️ The API key in Settings holds %1 (%2), so it is not sent")
                          .arg(keyCharacterKind(*refused), codePoint(*refused)));
        answer = noKeyText;
    } else {
        Log::line(QStringLiteral("🔍 Testing network connectivity..."));
        if (!co_await testConnectivity(key)) {
            answer = connectivityAdvice();
        } else if (const std::optional<QByteArray> base64 = co_await convertToBase64(image); !base64) {
            answer = QStringLiteral("❌ Failed to process image");
        } else {
            // A context left from before a reset belongs to another screenshot.
            const bool includeContext = isCurrent() && m_conversationContext.has_value();
            const QString prompt = buildPrompt(action, question, includeContext);
            const Result<QString> result = co_await sendRequestWithFallback(*base64, prompt, key);
            answered = result.hasValue();
            answer = answered ? result.value() : formatError(result.error());
        }
    }

    const QDateTime now = QDateTime::currentDateTime();
    const AIResponse record { answer, now, action, question };
    // After a reset the answer is about a screenshot the user has left: it
    // goes back to its caller but never into the next screenshot's exchange.
    if (!isCurrent())
        co_return record;

    if (answered) {
        const QString originalQuestion
            = m_conversationContext ? m_conversationContext->originalQuestion : question;
        setConversationContext(ConversationContext { originalQuestion, answer, now });
    }
    setLastResponse(record);
    appendResponse(record);
    setIsProcessing(false);
    co_return record;
}

QString AIManager::buildPrompt(
    std::optional<QuickAction> action, const QString &question, bool includeContext) const
{
    if (includeContext && m_conversationContext) {
        return QStringLiteral("Previous conversation context:\n") + QStringLiteral("Original question: ")
            + m_conversationContext->originalQuestion + QStringLiteral("\n")
            + QStringLiteral("Previous AI response: ") + m_conversationContext->aiResponse
            + QStringLiteral("\n\n") + QStringLiteral("Follow-up question: ") + question
            + QStringLiteral("\n\n")
            + QStringLiteral(
                "Please answer the follow-up question while considering the previous conversation "
                "context. Reference specific details from your previous response when relevant.");
    }
    if (!action)
        return question.isEmpty() ? QStringLiteral("What do you see in this image?") : question;
    return QuickActions::instruction(*action);
}

QString AIManager::getQuestionForAction(QuickAction action)
{
    return QuickActions::question(action);
}

QCoro::Task<std::optional<QByteArray>> AIManager::convertToBase64(QImage image)
{
    const QByteArray png = co_await ImageData::pngDataAsync(image);
    if (png.isEmpty())
        co_return std::nullopt;
    // Named first: GCC 12 destroys a lambda that is a temporary of a co_await
    // expression twice.
    const QFuture<QByteArray> base64 = Background::run([png] { return png.toBase64(); });
    co_return co_await base64;
}

std::unique_ptr<HttpSession> AIManager::createCustomSession()
{
    return m_transport->createSession(HttpSessionConfiguration { 30s, 60s });
}

QCoro::Task<bool> AIManager::testConnectivity(QString apiKey)
{
    const std::unique_ptr<HttpSession> session = createCustomSession();

    for (const QUrl &address : NetworkEndpoints::probeUrls()) {
        const QString addressText = address.toString();
        Log::line(QStringLiteral("🌐 Testing connectivity with IP: ") + addressText);
        HttpRequest probe;
        probe.method = "HEAD";
        probe.url = address;
        probe.timeout = probeTimeout;
        const HttpResult outcome = co_await session->send(probe);
        if (const auto *failure = std::get_if<URLError>(&outcome)) {
            Log::line(QStringLiteral("⚠️ IP test failed for ") + addressText + QStringLiteral(": ")
                + failure->localizedDescription());
            continue;
        }
        Log::line(QStringLiteral("✅ Network connectivity confirmed via IP"));
        co_return true;
    }

    HttpRequest models;
    models.url = NetworkEndpoints::modelsUrl();
    models.headers.emplaceBack("Authorization", bearer(apiKey));
    models.timeout = modelListTimeout;
    const HttpResult outcome = co_await session->send(models);
    if (const auto *failure = std::get_if<URLError>(&outcome)) {
        Log::line(QStringLiteral("❌ Connectivity test failed: ") + failure->textForm());
        co_return false;
    }
    const std::optional<int> status = std::get<HttpResponse>(outcome).statusCode;
    if (!status)
        co_return false;
    Log::line(QStringLiteral("🌐 OpenAI connectivity test - Status: %1").arg(*status));
    co_return *status == 200 || *status == 401;
}

QString AIManager::formatError(const ClientError &error)
{
    if (const auto *urlError = std::get_if<URLError>(&error)) {
        switch (urlError->code()) {
        case URLError::notConnectedToInternet:
            return QStringLiteral("❌ No internet connection. Please check your network settings.");
        case URLError::cannotFindHost:
        case URLError::dnsLookupFailed:
            return dnsAdvice();
        case URLError::timedOut:
            return QStringLiteral("❌ Request timed out. Please try again.");
        case URLError::networkConnectionLost:
            return QStringLiteral("❌ Network connection lost. Please try again.");
        default:
            return QStringLiteral("❌ Network error: ") + urlError->localizedDescription();
        }
    }
    if (const auto *aiError = std::get_if<AIError>(&error))
        return aiError->errorDescription();
    return QStringLiteral("❌ Failed to analyze image: ") + std::get<OtherError>(error).localizedDescription;
}

QCoro::Task<Result<QString>> AIManager::sendRequestWithFallback(
    QByteArray base64Image, QString prompt, QString apiKey)
{
    Result<QString> first = co_await sendRequest(base64Image, prompt, apiKey, false);
    const auto *failure = first ? nullptr : std::get_if<URLError>(&first.error());
    if (!failure || failure->code() != URLError::cannotFindHost)
        co_return first;
    Log::line(QStringLiteral("⚠️ DNS failed, trying with IP address fallback..."));
    co_return co_await sendRequest(base64Image, prompt, apiKey, true);
}

QCoro::Task<Result<QString>> AIManager::sendRequest(
    QByteArray base64Image, QString prompt, QString apiKey, bool useIPFallback)
{
    const QUrl url = useIPFallback ? baseURLWithIP() : baseURL();
    const QString urlText = url.toString();
    Log::line(QStringLiteral("🌐 Attempting to connect to: ") + urlText);
    if (!url.isValid() || url.isRelative()) {
        // An address that does not parse has no text of its own; Qt's error names it.
        Log::line(QStringLiteral("❌ Invalid URL: ") + (urlText.isEmpty() ? url.errorString() : urlText));
        co_return AIError::invalidURL();
    }

    HttpRequest request;
    request.method = "POST";
    request.url = url;
    request.headers.emplaceBack("Content-Type", "application/json");
    request.headers.emplaceBack("Authorization", bearer(apiKey));
    if (useIPFallback) {
        // Addressed by number, the request still names the service, and its
        // certificate must still be the service's.
        request.headers.emplaceBack("Host", NetworkEndpoints::serviceHost);
        request.peerVerifyName = QLatin1String(NetworkEndpoints::serviceHost);
    }
    request.timeout = requestTimeout;
    // Megabytes to copy for a screenshot: done off the GUI thread (and the
    // future named, as above).
    const QFuture<QByteArray> body = Background::run(
        [prompt, base64Image] { return OpenAIRequest::forImage(prompt, base64Image).toJson(); });
    request.body = co_await body;

    const std::unique_ptr<HttpSession> session = createCustomSession();
    Log::line(QStringLiteral("📤 Request prepared, sending..."));
    const HttpResult outcome = co_await session->send(std::move(request));

    if (const auto *failure = std::get_if<URLError>(&outcome)) {
        Log::line(QStringLiteral("❌ Network error: ") + failure->localizedDescription());
        Log::line(QStringLiteral("❌ Error code: %1").arg(int(failure->code())));
        co_return *failure;
    }
    Log::line(QStringLiteral("📥 Response received"));

    const auto fail = [](const AIError &error) {
        Log::line(QStringLiteral("❌ Unknown error: ") + error.rendering());
        return error;
    };
    const HttpResponse &response = std::get<HttpResponse>(outcome);
    if (!response.statusCode) {
        Log::line(QStringLiteral("❌ Invalid response type"));
        co_return fail(AIError::invalidResponse());
    }
    const int status = *response.statusCode;
    Log::line(QStringLiteral("📊 HTTP Status Code: %1").arg(status));

    if (status != 200) {
        Log::line(QStringLiteral("❌ API error with status code: %1").arg(status));
        if (const std::optional<QString> body = decodedUtf8(response.body))
            Log::line(QStringLiteral("❌ Response body: ") + *body);
        co_return fail(AIError::apiError(refusalText(status)));
    }

    const auto decoded = OpenAIResponse::decode(response.body);
    if (const auto *decodingError = std::get_if<DecodingError>(&decoded)) {
        Log::line(QStringLiteral("❌ JSON Decoding error: ") + decodingError->rendering);
        co_return AIError::invalidResponse();
    }
    const OpenAIResponse &answer = std::get<OpenAIResponse>(decoded);
    if (answer.choices.isEmpty()) {
        Log::line(QStringLiteral("❌ No choices in response"));
        co_return fail(AIError::noResponse());
    }
    Log::line(QStringLiteral("✅ Successfully received AI response"));
    co_return answer.choices.first().message.content;
}
