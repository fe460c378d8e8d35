#include "CurrentConversation.h"

#include "ConversationManager.h"
#include "MessagePairing.h"
#include "ai/AIManager.h"
#include "platform/ImageData.h"
#include "platform/Log.h"

namespace {

QString yesNo(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

CurrentConversation &CurrentConversation::shared()
{
    return ConversationManager::sharedInstance().current();
}

CurrentConversation::CurrentConversation(AIManager &aiManager, ConversationManager &store, QObject *parent)
    : QObject(parent)
    , m_ai(aiManager)
    , m_store(store)
{
    connect(&store, &ConversationManager::conversationDeleted, this, &CurrentConversation::conversationDeleted);
}

std::optional<QByteArray> CurrentConversation::screenshotData()
{
    if (!m_screenshotDataKnown && m_screenshotImage) {
        // Usually known already: the AI client encoded the same image for
        // its request, and the shared helper hands back those bytes.
        const QByteArray png = ImageData::pngData(*m_screenshotImage);
        if (png.isEmpty()) {
            Log::line(QStringLiteral("❌ Failed to convert image to PNG data"));
            m_screenshotData.reset();
        } else {
            Log::line(QStringLiteral("✅ Converted screenshot to PNG data (%1 bytes)").arg(png.size()));
            m_screenshotData = png;
        }
    }
    m_screenshotDataKnown = true;
    return m_screenshotData;
}

const QList<AIResponse> &CurrentConversation::answers() const
{
    return m_ai.responses();
}

QList<SavedMessage> CurrentConversation::messages() const
{
    const QList<AIResponse> &answers = m_ai.responses();
    if (!m_saved)
        return MessagePairing::messages(answers);
    return m_saved->messages() + MessagePairing::messages(answers.mid(qMin(m_savedAnswers, answers.size())));
}

bool CurrentConversation::isAwaitingAnswer() const
{
    return m_ai.isProcessing();
}

bool CurrentConversation::hasUnsavedAnswers() const
{
    return m_ai.responses().size() > m_savedAnswers;
}

void CurrentConversation::start(const std::optional<QImage> &screenshot)
{
    if (holdsAnything())
        finish();
    m_screenshotImage = screenshot;
    m_screenshotData.reset();
    m_screenshotDataKnown = !screenshot;
    Q_EMIT savedConversationChanged();
    Q_EMIT replaced();
}

QCoro::Task<std::optional<AIResponse>> CurrentConversation::ask(QString question)
{
    if (!m_screenshotImage)
        co_return std::nullopt;
    const quint64 exchange = m_ai.exchange();
    const AIResponse answer = co_await m_ai.analyzeImage(*m_screenshotImage, question);
    co_return answerFor(answer, exchange);
}

QCoro::Task<std::optional<AIResponse>> CurrentConversation::askFollowUp(QString question)
{
    if (!m_screenshotImage)
        co_return std::nullopt;
    const quint64 exchange = m_ai.exchange();
    const AIResponse answer = co_await m_ai.analyzeImageWithFollowUp(*m_screenshotImage, question);
    co_return answerFor(answer, exchange);
}

QCoro::Task<std::optional<AIResponse>> CurrentConversation::runQuickAction(QuickAction action)
{
    if (!m_screenshotImage)
        co_return std::nullopt;
    const quint64 exchange = m_ai.exchange();
    const AIResponse answer = co_await m_ai.handleQuickAction(action, *m_screenshotImage);
    co_return answerFor(answer, exchange);
}

std::optional<AIResponse> CurrentConversation::answerFor(const AIResponse &answer, quint64 exchange) const
{
    if (m_ai.exchange() != exchange)
        return std::nullopt;
    return answer;
}

void CurrentConversation::reopen(const Conversation &conversation)
{
    if (hasUnsavedAnswers())
        save();
    // As the store holds it now: a list read before the save just made may
    // lack the follow-ups it wrote into this very conversation.
    const Conversation record = m_store.conversation(conversation.id()).value_or(conversation);
    const QList<AIResponse> answers = MessagePairing::answers(record.messages());
    m_saved = record;
    m_savedAnswers = answers.size();
    m_screenshotData = m_store.screenshotData(record);
    m_screenshotDataKnown = true;
    // Bytes that are no image show none; they are still kept with the
    // conversation when its follow-ups are saved.
    const QImage image = m_screenshotData ? ImageData::imageFromPng(*m_screenshotData) : QImage();
    m_screenshotImage = image.isNull() ? std::nullopt : std::optional<QImage>(image);
    m_ai.restoreExchange(answers);
    Q_EMIT savedConversationChanged();
    Q_EMIT replaced();
}

bool CurrentConversation::save()
{
    const QList<AIResponse> answers = m_ai.responses();
    if (answers.isEmpty()) {
        Log::line(QStringLiteral("💾 No AI responses to save"));
        return false;
    }
    if (m_saved)
        return saveFollowUps();

    if (!m_screenshotImage && m_screenshotDataKnown && !m_screenshotData)
        Log::line(QStringLiteral("⚠️ No screenshot found in either manager"));
    const std::optional<QByteArray> png = screenshotData();
    Log::line(QStringLiteral("💾 Screenshot data available: %1").arg(yesNo(png.has_value())));
    if (png)
        Log::line(QStringLiteral("💾 Screenshot data size: %1 bytes").arg(png->size()));

    const Conversation record(ConversationManager::generateConversationTitle(answers),
        DateEnvironment::current().now(), std::nullopt, MessagePairing::messages(answers));
    const bool written = m_store.insertConversation(record, png);
    // The list holds it from now on, written or not: what follows goes into it.
    m_saved = record.withScreenshotData(png);
    m_savedAnswers = answers.size();
    Q_EMIT savedConversationChanged();
    if (written)
        Log::line(QStringLiteral("💾 Saved conversation: '%1' with %2 messages and screenshot: %3")
                      .arg(record.title())
                      .arg(record.messages().size())
                      .arg(yesNo(png.has_value())));
    return written;
}

bool CurrentConversation::saveFollowUps()
{
    const QList<AIResponse> &answers = m_ai.responses();
    if (answers.size() <= m_savedAnswers) {
        Log::line(QStringLiteral("💾 Skipping save - viewing existing conversation: '%1'").arg(m_saved->title()));
        return false;
    }
    // Every saved line stays as it was, an unpaired last one included: the
    // conversation reads on as it was shown.
    const Conversation updated = m_saved->withMessages(messages());
    m_saved = updated;
    m_savedAnswers = answers.size();
    const bool written = m_store.updateConversation(updated, screenshotData());
    Q_EMIT savedConversationChanged();
    if (written)
        Log::line(QStringLiteral("💾 Saved follow-ups to conversation: '%1', now with %2 messages")
                      .arg(updated.title())
                      .arg(updated.messages().size()));
    return written;
}

void CurrentConversation::end()
{
    finish();
    Q_EMIT savedConversationChanged();
    Q_EMIT replaced();
}

void CurrentConversation::clear()
{
    m_ai.setResponses({});
    m_ai.setLastResponse(std::nullopt);
    m_saved.reset();
    m_savedAnswers = 0;
    Q_EMIT savedConversationChanged();
}

bool CurrentConversation::holdsAnything() const
{
    return m_saved || m_screenshotImage || m_screenshotData || !m_ai.responses().isEmpty()
        || m_ai.lastResponse() || m_ai.conversationContext() || m_ai.isProcessing();
}

void CurrentConversation::finish()
{
    if (hasUnsavedAnswers())
        save();
    m_saved.reset();
    m_savedAnswers = 0;
    m_screenshotImage.reset();
    m_screenshotData.reset();
    m_screenshotDataKnown = true;
    m_ai.resetForNewScreenshot();
}

void CurrentConversation::conversationDeleted(const QUuid &id)
{
    if (!m_saved || m_saved->id() != id)
        return;
    // Gone from the store: the screenshot stays, and what is asked about it
    // next is saved as a new conversation.
    m_saved.reset();
    m_savedAnswers = 0;
    m_ai.resetForNewScreenshot();
    Q_EMIT savedConversationChanged();
    Q_EMIT replaced();
}
