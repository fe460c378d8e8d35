#include "AIManager.h"

#include "platform/Log.h"

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
    setIsProcessing(false);
    setLastResponse(std::nullopt);
    setConversationContext(std::nullopt);
    m_responses = QList<AIResponse>(); // releases the storage too
    Q_EMIT responsesChanged();
    Log::line(QStringLiteral("🔄 AI Manager reset - cleared all responses"));
}
