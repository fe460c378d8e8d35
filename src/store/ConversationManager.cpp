#include "ConversationManager.h"

#include "ConversationJson.h"
#include "CurrentConversation.h"
#include "ScreenshotSource.h"
#include "ai/AIManager.h"
#include "platform/Background.h"
#include "platform/ConversationTable.h"
#include "platform/Log.h"
#include "platform/PublishedProperty.h"
#include "platform/StoreWaitLimit.h"
#include "platform/UserDefaults.h"

#include <QFileInfo>
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
    , m_table(std::make_shared<ConversationTable>(userDefaults))
    , m_retry([this] {
        // At quit no retry follows: the file may be waited for as long as
        // any other write would.
        return writePending(m_retry.isQuitting() ? StoreWaitLimit::defaultWait : guiWriteWait);
    })
    , m_current(std::make_unique<CurrentConversation>(AIManager::shared(), *this))
{
    connect(m_current.get(), &CurrentConversation::savedConversationChanged, this,
        &ConversationManager::currentConversationChanged);
}

ConversationManager::~ConversationManager()
{
    // The worker reads through the table, which goes with this object.
    m_backgroundLoad.waitForFinished();
    // What still waits gets one more attempt, as at quit.
    if (hasUnsavedChanges())
        writePending(guiWriteWait);
}

void ConversationManager::loadConversations()
{
    if (m_loadState == LoadState::Loading) {
        waitForLoad();
        return;
    }
    publish(*readStoredConversations(m_userDefaults, m_table, m_conversationsKey));
}

void ConversationManager::loadConversationsInBackground()
{
    if (m_loadState != LoadState::NotStarted)
        return;
    m_loadState = LoadState::Loading;
    UserDefaults *userDefaults = &m_userDefaults;
    const std::shared_ptr<ConversationTable> table = m_table;
    const QString key = m_conversationsKey;
    m_backgroundLoad = Background::run(
        [userDefaults, table, key] { return readStoredConversations(*userDefaults, table, key); });
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
    UserDefaults &userDefaults, const std::shared_ptr<ConversationTable> &tableOwner, const QString &conversationsKey)
{
    ConversationTable &table = *tableOwner;
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
    // Without the screenshots: each is read from its row when it is needed.
    std::optional<QList<ConversationRow>> rows = table.readAll(ConversationTable::Screenshots::Left, &error);
    if (!rows)
        return fail(error);
    for (const ConversationRow &row : std::as_const(*rows)) {
        std::optional<Conversation> conversation = ConversationJson::decodeRecord(row.record, std::nullopt, &error);
        if (conversation)
            conversation = conversation->withStoredScreenshot(
                std::make_shared<ScreenshotSource>(tableOwner, row.id), row.hasScreenshot);
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
    // Nothing stored: an empty list stays as it is, unwritten.
    if (outcome.conversations.isEmpty() && m_conversations.isEmpty() && outcome.lineAfter.isEmpty()
        && !outcome.undecodableValueKept)
        return;
    // What waits to be written stays as this program has it: a save not
    // stored yet is listed, a deletion not stored yet is not.
    QList<Conversation> conversations;
    QHash<QUuid, QString> rowIds;
    QSet<QString> waitingRows;
    for (const auto &[id, row] : std::as_const(m_pendingRows)) {
        waitingRows.insert(row.id);
        const auto listed = std::find_if(m_conversations.cbegin(), m_conversations.cend(),
            [&id](const Conversation &saved) { return saved.id() == id; });
        if (listed != m_conversations.cend() && !row.position) {
            conversations.append(*listed);
            rowIds.insert(id, row.id);
        }
    }
    for (qsizetype i = 0; i < outcome.conversations.size(); ++i) {
        const QString &rowId = outcome.rowIds.at(i);
        if (m_pendingRemovals.contains(rowId) || waitingRows.contains(rowId))
            continue;
        conversations.append(outcome.conversations.at(i));
        rowIds.insert(outcome.conversations.at(i).id(), rowId);
    }
    m_rowIds = rowIds;
    setConversations(conversations);
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
    m_rowIds.insert(listed.id(), rowIdFor(listed));
    setConversations(conversations);
    setAsideUndecodableValue();
    return queueRow(listed, screenshotData);
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
    return queueRow(listed, screenshotData);
}

void ConversationManager::deleteConversation(const Conversation &conversation)
{
    waitForLoad();
    const QUuid id = conversation.id();
    QList<Conversation> conversations = m_conversations;
    conversations.removeIf([&id](const Conversation &saved) { return saved.id() == id; });
    setConversations(conversations);
    setAsideUndecodableValue();
    // A save of it that still waits is dropped; its row, if the store has
    // one, is erased with the next write.
    const QString rowId = m_rowIds.take(id);
    m_pendingRows.removeIf([&id](const auto &pending) { return pending.first == id; });
    m_unwritable.remove(id);
    if (!rowId.isEmpty() && !m_pendingRemovals.contains(rowId))
        m_pendingRemovals.append(rowId);
    if (hasUnsavedChanges())
        writePending(guiWriteWait);
    else // nothing to write: the store holds the list as it is
        Log::line(QStringLiteral("💾 Saved %1 conversations").arg(m_conversations.size() - m_unwritable.size()));
    Q_EMIT conversationDeleted(id);
}

bool ConversationManager::isSaved(const QUuid &id) const
{
    if (m_unwritable.contains(id))
        return false;
    return std::none_of(m_pendingRows.cbegin(), m_pendingRows.cend(),
        [&id](const auto &pending) { return pending.first == id; });
}

bool ConversationManager::hasUnsavedChanges() const
{
    return !m_pendingRows.isEmpty() || !m_pendingRemovals.isEmpty();
}

bool ConversationManager::writeUnsaved()
{
    return writePending(guiWriteWait);
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

bool ConversationManager::queueRow(const Conversation &listed, const std::optional<QByteArray> &screenshotData)
{
    QString error;
    const std::optional<QByteArray> record = ConversationJson::encodeRecord(listed, &error);
    const QUuid id = listed.id();
    if (!record) {
        // No later attempt can write it: listed for this run, as not saved.
        Log::line(QStringLiteral("❌ Failed to save conversations: %1").arg(error));
        m_unwritable.insert(id);
        Q_EMIT savedStateChanged();
        return false;
    }
    m_unwritable.remove(id);
    const QString rowId = m_rowIds.value(id, rowIdFor(listed));
    // No position: a new row goes in front, a stored one keeps its place.
    ConversationRow row { rowId, std::nullopt, *record, screenshotData, screenshotData.has_value() };
    const auto waiting = std::find_if(
        m_pendingRows.begin(), m_pendingRows.end(), [&id](const auto &pending) { return pending.first == id; });
    if (waiting != m_pendingRows.end())
        waiting->second = row;
    else
        m_pendingRows.append({ id, row });
    return writePending(guiWriteWait);
}

bool ConversationManager::writePending(std::chrono::milliseconds wait)
{
    if (!hasUnsavedChanges()) {
        m_retry.cancel();
        return true;
    }
    const QList<std::pair<QUuid, ConversationRow>> pendingRows = m_pendingRows;
    const QStringList pendingRemovals = m_pendingRemovals;
    QList<ConversationRow> rows;
    rows.reserve(pendingRows.size());
    for (const auto &pending : pendingRows)
        rows.append(pending.second);

    QString error;
    std::optional<qsizetype> stored;
    {
        const StoreWaitLimit limit(wait);
        stored = m_table->write(rows, pendingRemovals, &error);
    }
    if (!stored) {
        Log::line(QStringLiteral("❌ Failed to save conversations: %1").arg(error));
        m_retry.schedule();
        Q_EMIT savedStateChanged();
        return false;
    }
    m_retry.cancel();
    m_pendingRows.clear();
    m_pendingRemovals.clear();
    for (const auto &[id, row] : pendingRows)
        releaseScreenshotBytes(id, row.id, row.screenshot.has_value());
    // What the store holds, not what the list shows.
    Log::line(QStringLiteral("💾 Saved %1 conversations").arg(*stored));
    Q_EMIT savedStateChanged();
    return true;
}

void ConversationManager::releaseScreenshotBytes(const QUuid &id, const QString &rowId, bool hasScreenshot)
{
    // In place and without a change of the list: the conversation is the
    // same to whoever holds it, and its bytes are read from the row now.
    for (Conversation &listed : m_conversations) {
        if (listed.id() == id) {
            listed = listed.withStoredScreenshot(
                std::make_shared<ScreenshotSource>(m_table, rowId), hasScreenshot);
            return;
        }
    }
}

void ConversationManager::setAsideUndecodableValue()
{
    // Moved out of the store into a file beside it, and only once: the
    // value's bytes are erased from the store, which does not grow by a
    // copy of it, and the user can remove the file.
    if (!m_undecodableValueKept)
        return;
    const QString stamp
        = DateEnvironment::current().now().toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base = QFileInfo(m_userDefaults.path()).absolutePath() + QLatin1Char('/')
        + m_conversationsKey + QStringLiteral(".unreadable-") + stamp;
    QString file = base;
    for (int n = 2; QFileInfo::exists(file); ++n)
        file = base + QLatin1Char('-') + QString::number(n);
    QString error;
    if (!m_userDefaults.moveValueToFile(m_conversationsKey, file, &error)) {
        Log::line(QStringLiteral("❌ Saved conversations that could not be read could not be set aside; they "
                                 "stay under \"%1\": %2")
                      .arg(m_conversationsKey, error));
        return;
    }
    m_undecodableValueKept = false;
    Log::line(
        QStringLiteral("⚠️ Saved conversations could not be read; they were moved to %1").arg(file));
}
