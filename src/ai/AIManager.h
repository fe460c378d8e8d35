#pragma once

#include "AIResponse.h"
#include "ClientError.h"
#include "ConversationContext.h"
#include "HttpTransport.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QImage>
#include <QList>
#include <QObject>
#include <QUrl>

#include <memory>
#include <optional>

// The one AI client of the application. It publishes the answers about the
// current screenshot, oldest first, the latest answer, whether an analysis
// runs, and the context that follow-up questions carry.
//
// Every write of a published property stores the value and then emits its
// change signal, also when the value is equal to the old one.
class AIManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isProcessing READ isProcessing WRITE setIsProcessing NOTIFY isProcessingChanged)
    Q_PROPERTY(std::optional<AIResponse> lastResponse READ lastResponse WRITE setLastResponse NOTIFY
            lastResponseChanged)
    Q_PROPERTY(QList<AIResponse> responses READ responses WRITE setResponses NOTIFY responsesChanged)
    Q_PROPERTY(std::optional<ConversationContext> conversationContext READ conversationContext NOTIFY
            conversationContextChanged)

public:
    static AIManager &shared();

    bool isProcessing() const { return m_isProcessing; }
    void setIsProcessing(bool processing);

    const std::optional<AIResponse> &lastResponse() const { return m_lastResponse; }
    void setLastResponse(const std::optional<AIResponse> &response);

    const QList<AIResponse> &responses() const { return m_responses; }
    void setResponses(const QList<AIResponse> &responses);

    const std::optional<ConversationContext> &conversationContext() const { return m_conversationContext; }

    // Clears the state for a new screenshot. An analysis still running then
    // hands its answer to its own caller only: it publishes nothing.
    void resetForNewScreenshot();
    // Takes up an exchange kept from before (a saved conversation reopened):
    // its answers, the latest of them, and the context its next question
    // carries, made from its own first question and latest answer, never
    // left from the exchange before. An analysis still running belongs to
    // that one: as after a reset, it publishes nothing.
    void restoreExchange(const QList<AIResponse> &responses);
    // Which exchange the client works on; it changes at every reset and
    // restore, so that a caller can tell whether an answer it awaited still
    // belongs to the exchange shown.
    quint64 exchange() const { return m_exchange; }

    // Whether the user has set a usable key for the AI service (the "apiKey"
    // user default, which the settings window edits).
    bool hasAPIKey() const;

    // Asks the AI service about the image and publishes the outcome, answer or
    // failure text, as lastResponse and at the end of responses; yields the
    // same record. A question about a screenshot that already has an answer
    // goes out as a follow-up quoting the exchange so far. Never fails.
    QCoro::Task<AIResponse> analyzeImage(
        const QImage &image, const QString &question, std::optional<QuickAction> action = std::nullopt);
    QCoro::Task<AIResponse> analyzeImageWithFollowUp(const QImage &image, const QString &followUpQuestion);
    // Runs the action with its short question (getQuestionForAction).
    QCoro::Task<AIResponse> handleQuickAction(QuickAction action, const QImage &image);

    // The steps of an analysis, each usable on its own. The coroutines take
    // their arguments by value: they outlive the caller's expressions.

    // The prompt for an action or question; with includeContext and a
    // context, the follow-up prompt that quotes the exchange so far.
    QString buildPrompt(
        std::optional<QuickAction> action, const QString &question, bool includeContext) const;
    static QString getQuestionForAction(QuickAction action);
    // Standard base64 text of the image as PNG; nothing when it cannot be
    // encoded. The encoding runs on a worker thread, once per image.
    QCoro::Task<std::optional<QByteArray>> convertToBase64(QImage image);
    // Whether the network is usable: the resolver probes, then the service's
    // model list, asked with the analysis' key. Never fails.
    QCoro::Task<bool> testConnectivity(QString apiKey);
    // The text the user reads for a failed request.
    static QString formatError(const ClientError &error);
    // One exchange with the service, repeated once at the fixed address when
    // the service's name cannot be resolved. Yields the first answer's text.
    QCoro::Task<Result<QString>> sendRequestWithFallback(
        QByteArray base64Image, QString prompt, QString apiKey);
    // One attempt, through the service's name or its fixed address.
    QCoro::Task<Result<QString>> sendRequest(
        QByteArray base64Image, QString prompt, QString apiKey, bool useIPFallback);
    // A new session for one probe run or one attempt.
    std::unique_ptr<HttpSession> createCustomSession();

    // The endpoints: through the service's name, and through its fixed address.
    static QUrl baseURL();
    static QUrl baseURLWithIP();
    // The user's key as stored now, without surrounding white space; empty
    // when none is set or when it cannot be used (usableAPIKey).
    static QString apiKey();
    // The key as it may go into a request header: the stored text trimmed of
    // white space around it. A key is printable ASCII: one that still holds
    // anything else would break the request or add headers of its own to it
    // (a line break pasted inside it), or would be refused by the service
    // (an invisible character, a letter of another alphabet that looks like
    // a Latin one): it counts as no key.
    static QString usableAPIKey(const QString &stored);

    // Replaces how requests travel (tests script failures through it); the
    // default is Qt Network.
    void setTransport(std::shared_ptr<HttpTransport> transport);

Q_SIGNALS:
    void isProcessingChanged();
    void lastResponseChanged();
    void responsesChanged();
    void conversationContextChanged();

private:
    AIManager();

    QCoro::Task<AIResponse> runAnalysis(QImage image, QString question, std::optional<QuickAction> action);

    void setConversationContext(const std::optional<ConversationContext> &context);
    void appendResponse(const AIResponse &response);

    bool m_isProcessing = false;
    std::optional<AIResponse> m_lastResponse;
    QList<AIResponse> m_responses;
    std::optional<ConversationContext> m_conversationContext;

    // Counts the resets, so that an analysis can tell whether the exchange it
    // belongs to is still the current one when its answer arrives.
    quint64 m_exchange = 0;
    std::shared_ptr<HttpTransport> m_transport;
};
