#pragma once

#include "AIResponse.h"
#include "ConversationContext.h"

#include <QList>
#include <QObject>

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

    // Clears the state for a new screenshot.
    void resetForNewScreenshot();

Q_SIGNALS:
    void isProcessingChanged();
    void lastResponseChanged();
    void responsesChanged();
    void conversationContextChanged();

private:
    AIManager() = default;

    void setConversationContext(const std::optional<ConversationContext> &context);
    void appendResponse(const AIResponse &response);

    bool m_isProcessing = false;
    std::optional<AIResponse> m_lastResponse;
    QList<AIResponse> m_responses;
    std::optional<ConversationContext> m_conversationContext;
};
