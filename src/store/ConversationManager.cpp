#include "ConversationManager.h"

#include "ConversationJson.h"
#include "CurrentConversation.h"
#include "ai/AIManager.h"
#include "platform/Background.h"
#include "platform/ConversationTable.h"
#include "platform/Log.h"
#include "platform/PublishedProperty.h"
#include "platform/UserDefaults.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <functional>

namespace {

constexpr int titleLength = 50;

QString rowIdFor(const Conversation &conversation)
{
    return conversation.id().toString(QUuid::WithoutBraces).toUpper();
}

} // namespace

// What reading the stored conversations found, made on a worker thread and
// published on the manager's.
struct ConversationManager::LoadOutcome
{
    bool failed = false;
    bool undecodableValueKept = false;
    QList<Conversation> conversations;
    QList<QString> rowIds; // of each conversation, in the same order
    QStringList linesBefore; // logged before the list is published
    QString lineAfter; // logged after it, when there is one
};

ConversationManager &ConversationManager::sharedInstance()
{
    static ConversationManager *manager
        = new ConversationManager(UserDefaults::standard()); // lives as long as the process
    return *manager;
}

ConversationManager &ConversationManager::shared()
{
    ConversationManager &manager = sharedInstance();
    if (manager.m_loadState == LoadState::NotStarted)
        manager.loadConversations();
    return manager;
}

void ConversationManager::loadSharedInBackground()
{
    sharedInstance().loadConversationsInBackground();
}

ConversationManager::ConversationManager(UserDefaults &userDefaults, QObject *parent)
    : QObject(parent)
    , m_userDefaults(userDefaults)
    , m_conversationsKey(QStringLiteral("SavedConversations"))
    , m_table(std::make_unique<ConversationTable>(userDefaults))
    , m_current(std::make_unique<CurrentConversation>(AIManager::shared(), *this))
{
    connect(m_current.get(), &CurrentConversation::savedConversationChanged, this,
        &ConversationManager::currentConversationChanged);
}

ConversationManager::~ConversationManager()
{
    // The worker reads through the table, which goes with this object.
    m_backgroundLoad.waitForFinished();
}

void ConversationManager::loadConversations()
{
    if (m_loadState == LoadState::Loading) {
        waitForLoad();
        return;
    }
    publish(*readStoredConversations(m_userDefaults, *m_table, m_conversationsKey));
}

void ConversationManager::loadConversationsInBackground()
{
    if (m_loadState != LoadState::NotStarted)
        return;
    m_loadState = LoadState::Loading;
    UserDefaults *userDefaults = &m_userDefaults;
    ConversationTable *table = m_table.get();
    const QString key = m_conversationsKey;
    m_backgroundLoad = Background::run(
        [userDefaults, table, key] { return readStoredConversations(*userDefaults, *table, key); });
    Background::whenFinished(
        m_backgroundLoad, this, [this](const std::shared_ptr<LoadOutcome> &) { finishBackgroundLoad(); });
}

void ConversationManager::finishBackgroundLoad()
{
    if (m_loadState != LoadState::Loading)
        return; // published already, by a caller that could not wait
    const std::shared_ptr<LoadOutcome> outcome = m_backgroundLoad.result();
    m_backgroundLoad = {};
    publish(*outcome);
}

void ConversationManager::waitForLoad()
{
    if (m_loadState != LoadState::Loading)
        return;
    m_backgroundLoad.waitForFinished();
    finishBackgroundLoad();
}

std::shared_ptr<ConversationManager::LoadOutcome> ConversationManager::readStoredConversations(
    UserDefaults &userDefaults, ConversationTable &table, const QString &conversationsKey)
{
    auto outcome = std::make_shared<LoadOutcome>();
    const auto fail = [&outcome](const QString &error) {
        outcome->failed = true;
        outcome->linesBefore.append(QStringLiteral("❌ Failed to load conversations: %1").arg(error));
        return outcome;
    };

    // The whole list as one value, as an earlier version saved it: moved
    // into rows once, in one transaction that also removes the value.
    const StoredValue single = userDefaults.valueForKey(conversationsKey);
    if (single.isFailure())
        return fail(single.failureReason());
    if (single.hasValue()) {
        QString error = QStringLiteral("The stored value is not data");
        std::optional<QList<Conversation>> earlier;
        if (single.value().typeId() == QMetaType::QByteArray)
            earlier = ConversationJson::decode(single.value().toByteArray(), &error);
        if (earlier) {
            QList<ConversationRow> rows;
            rows.reserve(earlier->size());
            for (const Conversation &conversation : std::as_const(*earlier)) {
                const std::optional<QByteArray> record = ConversationJson::encodeRecord(conversation, &error);
                if (!record)
                    return fail(error);
                rows.append(ConversationRow {
                    rowIdFor(conversation), std::nullopt, *record, conversation.screenshotData() });
            }
            earlier.reset();
            const std::optional<qsizetype> imported = table.importRows(rows, conversationsKey, &error);
            if (!imported)
                return fail(error);
            if (*imported > 0)
                outcome->linesBefore.append(
                    QStringLiteral("📂 Moved %1 conversations saved as one value into rows of their own")
                        .arg(*imported));
        } else {
            // Kept where it is; the first save moves it aside.
            outcome->undecodableValueKept = true;
            outcome->linesBefore.append(QStringLiteral("❌ Failed to load conversations: %1").arg(error));
        }
    }

    QString error;
    std::optional<QList<ConversationRow>> rows = table.readAll(&error);
    if (!rows)
        return fail(error);
    for (const ConversationRow &row : std::as_const(*rows)) {
        std::optional<Conversation> conversation
            = ConversationJson::decodeRecord(row.record, row.screenshot, &error);
        if (!conversation) {
            // One damaged record hides no other; its row stays as it is.
            outcome->linesBefore.append(
                QStringLiteral("❌ Failed to load the conversation %1: %2").arg(row.id, error));
            continue;
        }
        outcome->conversations.append(std::move(*conversation));
        outcome->rowIds.append(row.id);
    }
    if (!rows->isEmpty())
        outcome->lineAfter = QStringLiteral("📂 Loaded %1 conversations").arg(outcome->conversations.size());
    else if (!outcome->undecodableValueKept)
        outcome->linesBefore.append(QStringLiteral("📂 No saved conversations found"));
    return outcome;
}

void ConversationManager::publish(const LoadOutcome &outcome)
{
    m_loadState = outcome.failed ? LoadState::Failed : LoadState::Loaded;
    m_undecodableValueKept = outcome.undecodableValueKept;
    for (const QString &line : outcome.linesBefore)
        Log::line(line);
    if (outcome.failed) {
        // What could not be read stays where it is; nothing here replaces it.
        setConversations({});
        return;
    }
    m_rowIds.clear();
    // Nothing stored: an empty list stays as it is, unwritten.
    if (outcome.conversations.isEmpty() && m_conversations.isEmpty() && outcome.lineAfter.isEmpty()
        && !outcome.undecodableValueKept)
        return;
    for (qsizetype i = 0; i < outcome.conversations.size(); ++i)
        m_rowIds.insert(outcome.conversations.at(i).id(), outcome.rowIds.at(i));
    setConversations(outcome.conversations);
    if (!outcome.lineAfter.isEmpty())
        Log::line(outcome.lineAfter);
}

void ConversationManager::setConversations(const QList<Conversation> &conversations)
{
    PublishedProperty::write(
        this, m_conversations, conversations, &ConversationManager::conversationsChanged);
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

const std::optional<Conversation> &ConversationManager::currentConversation() const
{
    return m_current->savedConversation();
}

void ConversationManager::startNewConversation(const std::optional<QImage> &image)
{
    Q_UNUSED(image)
    m_current->end();
}

void ConversationManager::saveCurrentConversation()
{
    m_current->save();
}

void ConversationManager::loadConversation(const Conversation &conversation)
{
    m_current->reopen(conversation);
    Log::line(QStringLiteral("📂 Loaded conversation: '%1'").arg(conversation.title()));
}

std::optional<Conversation> ConversationManager::conversation(const QUuid &id)
{
    ensureLoaded();
    const auto found = std::find_if(m_conversations.cbegin(), m_conversations.cend(),
        [&id](const Conversation &saved) { return saved.id() == id; });
    if (found == m_conversations.cend())
        return std::nullopt;
    return *found;
}

std::optional<QByteArray> ConversationManager::screenshotData(const Conversation &conversation) const
{
    return conversation.screenshotData();
}

void ConversationManager::ensureLoaded()
{
    waitForLoad();
    // A load that failed is tried again: the list is to hold the stored
    // conversations too before anything is added to it.
    if (m_loadState == LoadState::NotStarted || m_loadState == LoadState::Failed)
        loadConversations();
}

bool ConversationManager::insertConversation(
    const Conversation &conversation, const std::optional<QByteArray> &screenshotData)
{
    // The new one goes in front of the stored ones, so those come first.
    ensureLoaded();
    const Conversation listed = conversation.withScreenshotData(screenshotData);
    QList<Conversation> conversations = m_conversations;
    conversations.prepend(listed);
    setConversations(conversations);
    setAsideUndecodableValue();
    return writeRow(listed, screenshotData, rowIdFor(listed), std::nullopt);
}

bool ConversationManager::updateConversation(
    const Conversation &conversation, const std::optional<QByteArray> &screenshotData)
{
    ensureLoaded();
    const QUuid id = conversation.id();
    const qsizetype index = std::find_if(m_conversations.cbegin(), m_conversations.cend(),
                                [&id](const Conversation &saved) { return saved.id() == id; })
        - m_conversations.cbegin();
    if (index == m_conversations.size())
        return false;
    const Conversation listed = conversation.withScreenshotData(screenshotData);
    QList<Conversation> conversations = m_conversations;
    conversations[index] = listed;
    setConversations(conversations);

    // The same row, at the same place in the list.
    const QString rowId = m_rowIds.value(id, rowIdFor(listed));
    QString error;
    const std::optional<qint64> position = m_table->positionOf(rowId, &error);
    if (!position) {
        Log::line(QStringLiteral("❌ Failed to save conversations: %1").arg(error));
        return false;
    }
    return writeRow(listed, screenshotData, rowId, position);
}

void ConversationManager::deleteConversation(const Conversation &conversation)
{
    waitForLoad();
    const QUuid id = conversation.id();
    QList<Conversation> conversations = m_conversations;
    conversations.removeIf([&id](const Conversation &saved) { return saved.id() == id; });
    setConversations(conversations);
    eraseConversations({ id });
    Q_EMIT conversationDeleted(id);
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

bool ConversationManager::writeRow(const Conversation &conversation,
    const std::optional<QByteArray> &screenshotData, const QString &rowId, std::optional<qint64> position)
{
    QString error;
    const std::optional<QByteArray> record = ConversationJson::encodeRecord(conversation, &error);
    if (!record
        || !m_table->upsert(ConversationRow { rowId, position, *record, screenshotData }, &error)) {
        Log::line(QStringLiteral("❌ Failed to save conversations: %1").arg(error));
        return false;
    }
    m_rowIds.insert(conversation.id(), rowId);
    Log::line(QStringLiteral("💾 Saved %1 conversations").arg(m_conversations.size()));
    return true;
}

bool ConversationManager::eraseConversations(const QList<QUuid> &ids)
{
    setAsideUndecodableValue();
    for (const QUuid &id : ids) {
        // A conversation whose save failed has no row to erase.
        const QString rowId = m_rowIds.value(id);
        QString error;
        if (!rowId.isEmpty() && !m_table->remove(rowId, &error)) {
            Log::line(QStringLiteral("❌ Failed to save conversations: %1").arg(error));
            return false;
        }
        m_rowIds.remove(id);
    }
    Log::line(QStringLiteral("💾 Saved %1 conversations").arg(m_conversations.size()));
    return true;
}

void ConversationManager::setAsideUndecodableValue()
{
    // Moved rather than copied, and only once: afterwards the key is free.
    if (!m_undecodableValueKept)
        return;
    const QString stamp
        = DateEnvironment::current().now().toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base = m_conversationsKey + QStringLiteral(".unreadable-") + stamp;
    QString key = base;
    for (int n = 2; m_userDefaults.contains(key); ++n)
        key = base + QLatin1Char('-') + QString::number(n);
    if (!m_userDefaults.renameKey(m_conversationsKey, key)) {
        Log::line(QStringLiteral("❌ Saved conversations that could not be read could not be set aside; they "
                                 "stay under \"%1\"")
                      .arg(m_conversationsKey));
        return;
    }
    m_undecodableValueKept = false;
    Log::line(
        QStringLiteral("⚠️ Saved conversations could not be read; they were kept under \"%1\"").arg(key));
}
