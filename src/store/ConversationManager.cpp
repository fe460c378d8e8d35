#include "ConversationManager.h"

#include "ConversationJson.h"
#include "ai/AIManager.h"
#include "platform/ImageData.h"
#include "platform/Log.h"
#include "platform/PublishedProperty.h"
#include "platform/UserDefaults.h"

#include <QTextBoundaryFinder>

#include <functional>

namespace {

constexpr int titleLength = 50;

QString yesNo(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

ConversationHooks &installedHooks()
{
    static ConversationHooks hooks;
    return hooks;
}

std::optional<QImage> imageFrom(const std::function<std::optional<QImage>()> &hook)
{
    return hook ? hook() : std::nullopt;
}

} // namespace

ConversationManager &ConversationManager::shared()
{
    static ConversationManager *manager
        = new ConversationManager(UserDefaults::standard()); // lives as long as the process
    return *manager;
}

void ConversationManager::setHooks(ConversationHooks hooks)
{
    installedHooks() = std::move(hooks);
}

ConversationManager::ConversationManager(UserDefaults &userDefaults)
    : m_userDefaults(userDefaults)
    , m_conversationsKey(QStringLiteral("SavedConversations"))
{
    loadConversations();
}

void ConversationManager::setConversations(const QList<Conversation> &conversations)
{
    PublishedProperty::write(
        this, m_conversations, conversations, &ConversationManager::conversationsChanged);
}

void ConversationManager::setCurrentConversation(const std::optional<Conversation> &conversation)
{
    PublishedProperty::write(
        this, m_currentConversation, conversation, &ConversationManager::currentConversationChanged);
}

void ConversationManager::setIsSidebarExpanded(bool expanded)
{
    PublishedProperty::write(
        this, m_isSidebarExpanded, expanded, &ConversationManager::isSidebarExpandedChanged);
}

void ConversationManager::toggleSidebar()
{
    setIsSidebarExpanded(!m_isSidebarExpanded);
}

void ConversationManager::startNewConversation(const std::optional<QImage> &image)
{
    Q_UNUSED(image)
    if (m_currentConversation)
        saveCurrentConversation(); // stores nothing while viewing; it says why
    AIManager::shared().resetForNewScreenshot();
    setCurrentConversation(std::nullopt);
}

void ConversationManager::saveCurrentConversation()
{
    const std::optional<QList<AIResponse>> responses = getAIResponses();
    if (!responses) {
        Log::line(QStringLiteral("💾 No AI responses to save"));
        return;
    }
    if (m_currentConversation) {
        Log::line(QStringLiteral("💾 Skipping save - viewing existing conversation: '%1'")
                      .arg(m_currentConversation->title()));
        return;
    }

    const std::optional<QByteArray> screenshotData = getCurrentScreenshotData();
    Log::line(QStringLiteral("💾 Screenshot data available: %1").arg(yesNo(screenshotData.has_value())));
    if (screenshotData)
        Log::line(QStringLiteral("💾 Screenshot data size: %1 bytes").arg(screenshotData->size()));

    const Conversation conversation(generateConversationTitle(*responses), DateEnvironment::current().now(),
        screenshotData, convertToSavedMessages(*responses));
    QList<Conversation> conversations = m_conversations;
    conversations.prepend(conversation);
    setConversations(conversations);
    saveConversations();
    Log::line(QStringLiteral("💾 Saved conversation: '%1' with %2 messages and screenshot: %3")
                  .arg(conversation.title())
                  .arg(conversation.messages().size())
                  .arg(yesNo(conversation.screenshotData().has_value())));
}

void ConversationManager::loadConversation(const Conversation &conversation)
{
    setCurrentConversation(conversation);
    restoreConversationToManagers(conversation);
    Log::line(QStringLiteral("📂 Loaded conversation: '%1'").arg(conversation.title()));
}

void ConversationManager::deleteConversation(const Conversation &conversation)
{
    const QUuid id = conversation.id();
    QList<Conversation> conversations = m_conversations;
    conversations.removeIf([&id](const Conversation &saved) { return saved.id() == id; });
    setConversations(conversations);
    saveConversations();

    if (m_currentConversation && m_currentConversation->id() == id) {
        setCurrentConversation(std::nullopt);
        AIManager::shared().resetForNewScreenshot();
        if (const ConversationHooks &hooks = installedHooks(); hooks.clearTranscript)
            hooks.clearTranscript();
    }
}

QList<ConversationGroup> ConversationManager::groupedConversations(const DateEnvironment &environment) const
{
    const QDateTime now = environment.local(environment.now());
    const QDate today = now.date();
    const QDate yesterday = now.addDays(-1).date();
    const QDateTime weekAgo = now.addDays(-7);
    auto dayOf = [&environment](const Conversation &conversation) {
        return environment.local(conversation.createdAt()).date();
    };

    // Each conversation goes to the first group whose test it passes.
    const std::pair<QString, std::function<bool(const Conversation &)>> groups[] = {
        { QStringLiteral("Today"), [&](const Conversation &c) { return dayOf(c) == today; } },
        { QStringLiteral("Yesterday"), [&](const Conversation &c) { return dayOf(c) == yesterday; } },
        { QStringLiteral("This Week"), [&](const Conversation &c) { return c.createdAt() > weekAgo; } },
        { QStringLiteral("Older"), [](const Conversation &) { return true; } },
    };
    QList<Conversation> remaining = m_conversations;
    QList<ConversationGroup> result;
    for (const auto &[title, belongs] : groups) {
        ConversationGroup group { title, {} };
        remaining.removeIf([&](const Conversation &conversation) {
            if (!belongs(conversation))
                return false;
            group.conversations.append(conversation);
            return true;
        });
        if (!group.conversations.isEmpty())
            result.append(group);
    }
    return result;
}

QString ConversationManager::generateConversationTitle(const QList<AIResponse> &responses)
{
    if (responses.isEmpty())
        return QStringLiteral("New Conversation");
    const QString question = responses.first().question;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, question);
    qsizetype end = 0;
    for (int count = 0; count < titleLength; ++count) {
        end = graphemes.toNextBoundary();
        if (end < 0 || end >= question.size())
            return question;
    }
    return question.left(end) + QStringLiteral("...");
}

std::optional<QList<AIResponse>> ConversationManager::getAIResponses() const
{
    const QList<AIResponse> &responses = AIManager::shared().responses();
    if (responses.isEmpty())
        return std::nullopt;
    return responses;
}

std::optional<QByteArray> ConversationManager::getCurrentScreenshotData() const
{
    const ConversationHooks &hooks = installedHooks();
    std::optional<QImage> image = imageFrom(hooks.chatScreenshot);
    if (!image)
        image = imageFrom(hooks.lastCapture);
    if (!image) {
        Log::line(QStringLiteral("⚠️ No screenshot found in either manager"));
        return std::nullopt;
    }
    return convertImageToData(*image);
}

std::optional<QByteArray> ConversationManager::convertImageToData(const QImage &image) const
{
    // The AI client encoded the same image for its request; the shared
    // helper hands back those bytes instead of encoding it again.
    const QByteArray png = ImageData::pngData(image);
    if (png.isEmpty()) {
        Log::line(QStringLiteral("❌ Failed to convert image to PNG data"));
        return std::nullopt;
    }
    Log::line(QStringLiteral("✅ Converted screenshot to PNG data (%1 bytes)").arg(png.size()));
    return png;
}

QList<SavedMessage> ConversationManager::convertToSavedMessages(const QList<AIResponse> &responses)
{
    QList<SavedMessage> messages;
    messages.reserve(responses.size() * 2);
    for (const AIResponse &response : responses) {
        messages.append(SavedMessage(response.question, true, response.timestamp));
        messages.append(SavedMessage(response.content, false, response.timestamp));
    }
    return messages;
}

void ConversationManager::restoreConversationToManagers(const Conversation &conversation)
{
    // Answers are rebuilt by position: each even message is a question and
    // the one after it its answer; a last message without a partner gives none.
    const QList<SavedMessage> &messages = conversation.messages();
    QList<AIResponse> responses;
    for (qsizetype i = 0; i + 1 < messages.size(); i += 2) {
        const SavedMessage &answer = messages.at(i + 1);
        responses.append(
            AIResponse { answer.content(), answer.timestamp(), std::nullopt, messages.at(i).content() });
    }
    AIManager &aiManager = AIManager::shared();
    aiManager.setResponses(responses);
    if (!responses.isEmpty())
        aiManager.setLastResponse(responses.last());

    const ConversationHooks &hooks = installedHooks();
    if (hooks.showTranscript)
        hooks.showTranscript(messages);
    if (const std::optional<QByteArray> &png = conversation.screenshotData()) {
        const QImage image = ImageData::imageFromPng(*png);
        if (hooks.showScreenshot)
            hooks.showScreenshot(image.isNull() ? std::nullopt : std::optional<QImage>(image));
    }
}

bool ConversationManager::saveConversations()
{
    if (m_unreadableValueAtRisk) {
        const std::optional<QVariant> stored = m_userDefaults.objectForKey(m_conversationsKey);
        if (stored && !setAsideUnreadableValue(*stored)) {
            Log::line(
                QStringLiteral("❌ Failed to save conversations: the saved conversations that could not be "
                               "read could not be set aside, so they were not replaced"));
            return false;
        }
        m_unreadableValueAtRisk = false;
    }

    QString error;
    const std::optional<QByteArray> json = ConversationJson::encode(m_conversations, &error);
    if (!json) {
        Log::line(QStringLiteral("❌ Failed to save conversations: %1").arg(error));
        return false;
    }
    if (!m_userDefaults.setData(m_conversationsKey, *json)) {
        Log::line(QStringLiteral("❌ Failed to save conversations: the settings store could not write them"));
        return false;
    }
    Log::line(QStringLiteral("💾 Saved %1 conversations").arg(m_conversations.size()));
    return true;
}

void ConversationManager::loadConversations()
{
    const std::optional<QVariant> stored = m_userDefaults.objectForKey(m_conversationsKey);
    if (!stored) {
        Log::line(QStringLiteral("📂 No saved conversations found"));
        return;
    }

    QString error = QStringLiteral("The stored value is not data");
    if (stored->typeId() == QMetaType::QByteArray) {
        if (std::optional<QList<Conversation>> conversations
            = ConversationJson::decode(stored->toByteArray(), &error)) {
            setConversations(*conversations);
            Log::line(QStringLiteral("📂 Loaded %1 conversations").arg(m_conversations.size()));
            return;
        }
    }

    // What cannot be read now may be rescued later; it is kept under a key
    // of its own before the next save replaces it.
    m_unreadableValueAtRisk = !setAsideUnreadableValue(*stored);
    Log::line(QStringLiteral("❌ Failed to load conversations: %1").arg(error));
    setConversations({});
}

bool ConversationManager::setAsideUnreadableValue(const QVariant &value)
{
    const QString stamp
        = DateEnvironment::current().now().toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base = m_conversationsKey + QStringLiteral(".unreadable-") + stamp;
    QString key = base;
    for (int n = 2; m_userDefaults.contains(key); ++n)
        key = base + QLatin1Char('-') + QString::number(n);

    if (!m_userDefaults.setObject(key, value)) {
        Log::line(QStringLiteral("❌ Saved conversations that could not be read could not be set aside; they "
                                 "stay under \"%1\" and are not replaced")
                      .arg(m_conversationsKey));
        return false;
    }
    Log::line(
        QStringLiteral("⚠️ Saved conversations could not be read; they were kept under \"%1\"").arg(key));
    return true;
}
