#pragma once

#include "Conversation.h"
#include "ConversationGroup.h"
#include "ai/AIResponse.h"
#include "platform/ConversationRow.h"
#include "platform/WriteRetry.h"
#include "store/DateEnvironment.h"

#include <QFuture>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUuid>

#include <chrono>
#include <memory>
#include <optional>

class ConversationTable;
class CurrentConversation;
class UserDefaults;

// The one store of saved conversations. It writes the conversations it is
// given, each with its screenshot's PNG bytes, keeps the saved ones newest
// first, deletes them and groups them by age.
//
// The conversation being worked on (its screenshot, its answers, whether it
// is one of the saved ones) is not kept here but in CurrentConversation,
// one per store (current()); the operations that save, reopen or leave it
// go through that object, which hands the store what it writes.
//
// Each conversation is kept in a row of its own in the settings file
// (ConversationTable): a save writes the new conversation's row, a deletion
// erases the deleted one's, and two programs saving at once each keep their
// own. The list an earlier version kept under "SavedConversations" is moved
// into rows at the first load; one that cannot be decoded is kept, and moved
// out of the store into a file beside it by the first save. A load that fails is
// reported and leaves the stored conversations untouched; the next save
// tries to load them again.
//
// A save or a deletion that the file does not take now (another program
// holds it, the disk is full) is not lost: it waits, is written with the
// next one, by retries in the background and once more at quit, and the
// conversation is listed as not saved until it is (isSaved). A write on the
// GUI thread waits for a busy file no longer than `guiWriteWait`; the retry
// does the rest.
//
// The list holds no screenshot bytes for what is stored: a conversation
// reads them from its row when asked (Conversation::screenshotData), so
// that memory does not grow with the history. Only a conversation whose
// save is still waiting holds its bytes.
//
// Every write of a published property stores the value and then emits its
// change signal, also when the value is equal to the old one.
class ConversationManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<Conversation> conversations READ conversations NOTIFY conversationsChanged)
    Q_PROPERTY(std::optional<Conversation> currentConversation READ currentConversation NOTIFY
            currentConversationChanged)
    Q_PROPERTY(bool isSidebarExpanded READ isSidebarExpanded NOTIFY isSidebarExpandedChanged)

public:
    // The application's manager, made on first use; it loads the saved
    // conversations then, unless loadSharedInBackground() started earlier.
    static ConversationManager &shared();
    // Makes the application's manager and loads the saved conversations on a
    // worker thread, so that whoever reads the list meanwhile is not held up:
    // they appear, with a change of the list, once they are decoded.
    static void loadSharedInBackground();

    // A manager of the conversations kept in this store, none loaded yet.
    explicit ConversationManager(UserDefaults &userDefaults, QObject *parent = nullptr);
    // Waits for a load under way.
    ~ConversationManager() override;

    // Reads the saved conversations and publishes them, newest first.
    void loadConversations();
    // The same, reading and decoding on a worker thread; the list is
    // published on this object's thread. A save or a deletion that comes
    // first waits for it, so that nothing is lost or loaded twice.
    void loadConversationsInBackground();

    // The conversation being worked on, saved in this store.
    CurrentConversation &current() const { return *m_current; }

    // The longest a save or a deletion on the GUI thread waits for a file
    // that another program holds.
    static constexpr std::chrono::milliseconds guiWriteWait { 40 };

    // Newest first; empty until the saved ones are loaded.
    const QList<Conversation> &conversations() const { return m_conversations; }
    // The saved conversation with this identifier, as the list holds it now.
    std::optional<Conversation> conversation(const QUuid &id);
    // The PNG bytes of the screenshot saved with the conversation.
    std::optional<QByteArray> screenshotData(const Conversation &conversation) const;

    // The saved conversation that the current one continues, as last
    // written; absent while it has not been saved.
    const std::optional<Conversation> &currentConversation() const;

    // Whether the chat window shows its sidebar; the chat window animates
    // the change over 0.3 s, without bounce.
    bool isSidebarExpanded() const { return m_isSidebarExpanded; }
    void toggleSidebar();

    // The operations on the current conversation (CurrentConversation).
    // Ends it, saving what it has not saved yet. The image is not used.
    void startNewConversation(const std::optional<QImage> &image = std::nullopt);
    // Saves its answers with its screenshot: a new conversation at the
    // front of the list, or the answers asked since into the saved one it
    // continues, where that stands in the list.
    void saveCurrentConversation();
    // Continues the saved conversation, after saving what the current one
    // has not saved yet.
    void loadConversation(const Conversation &conversation);

    // Writes the conversation, with these screenshot bytes, in front of the
    // list. Returns whether it was written now; one that was not stays in
    // the list, marked as not saved, and is written later.
    bool insertConversation(const Conversation &conversation, const std::optional<QByteArray> &screenshotData);
    // Writes the conversation, with these screenshot bytes, over the saved
    // one of the same identifier, keeping its place in the list. Returns
    // whether it was written; false also when there is no such conversation.
    bool updateConversation(const Conversation &conversation, const std::optional<QByteArray> &screenshotData);
    // Removes every conversation with the same identifier and erases its
    // bytes from the file (later, when the file does not take it now); a
    // current conversation that was it leaves it.
    void deleteConversation(const Conversation &conversation);

    // Whether the conversation is stored as listed: false while a save of it
    // waits to be written.
    bool isSaved(const QUuid &id) const;
    // Whether any save or deletion waits to be written.
    bool hasUnsavedChanges() const;
    // Tries the waiting writes now; true when nothing waits any more.
    bool writeUnsaved();

    // "Today", "Yesterday", "This Week" (later than seven calendar days
    // ago) and "Older", in that order, leaving out empty groups.
    QList<ConversationGroup> groupedConversations(
        const DateEnvironment &environment = DateEnvironment::current()) const;

    // The first question, cut after 50 characters as the user sees them
    // (grapheme clusters) and then followed by "..."; "New Conversation"
    // without answers.
    static QString generateConversationTitle(const QList<AIResponse> &responses);

Q_SIGNALS:
    void conversationsChanged();
    void currentConversationChanged();
    void isSidebarExpandedChanged();
    // The conversation with this identifier was deleted.
    void conversationDeleted(const QUuid &id);
    // Which conversations are saved (isSaved) changed.
    void savedStateChanged();

private:
    enum class LoadState { NotStarted, Loading, Loaded, Failed };
    struct LoadOutcome;

    friend class CurrentConversation; // the application's is made before the list loads
    static ConversationManager &sharedInstance();
    static std::shared_ptr<LoadOutcome> readStoredConversations(UserDefaults &userDefaults,
        const std::shared_ptr<ConversationTable> &table, const QString &conversationsKey);
    void publish(const LoadOutcome &outcome);
    void finishBackgroundLoad();
    void waitForLoad();

    void setConversations(const QList<Conversation> &conversations);
    void setIsSidebarExpanded(bool expanded);

    // Waits for a load under way, or loads, so that the list holds the
    // stored conversations before it is changed.
    void ensureLoaded();
    // Queues the conversation's row (a new one goes in front of every row,
    // a stored one stays in place) and writes what waits. Logs why when the
    // record cannot be made.
    bool queueRow(const Conversation &listed, const std::optional<QByteArray> &screenshotData);
    // Writes every waiting row and deletion in one transaction, waiting for
    // a busy file as long as `wait`; logs the outcome.
    bool writePending(std::chrono::milliseconds wait);
    // The listed conversation reads its screenshot from its row from now on.
    void releaseScreenshotBytes(const QUuid &id, const QString &rowId, bool hasScreenshot);
    void setAsideUndecodableValue();

    QList<Conversation> m_conversations;
    bool m_isSidebarExpanded = false;
    UserDefaults &m_userDefaults;
    const QString m_conversationsKey;
    // Shared with the screenshot sources of the listed conversations.
    std::shared_ptr<ConversationTable> m_table;
    // Saves waiting to be written, oldest first, with the conversation each
    // is of; and the rows whose deletion waits.
    QList<std::pair<QUuid, ConversationRow>> m_pendingRows;
    QStringList m_pendingRemovals;
    // Listed conversations that cannot be written at all (no record).
    QSet<QUuid> m_unwritable;
    WriteRetry m_retry;
    // The row of each conversation in the list that has one. Records get a
    // new identifier whenever they are read, so the row's is kept apart.
    QHash<QUuid, QString> m_rowIds;
    LoadState m_loadState = LoadState::NotStarted;
    QFuture<std::shared_ptr<LoadOutcome>> m_backgroundLoad;
    // The value under "SavedConversations" could not be decoded: it is moved
    // to a file beside the store before this program writes any conversation.
    bool m_undecodableValueKept = false;
    std::unique_ptr<CurrentConversation> m_current;
};
