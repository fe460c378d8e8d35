#pragma once

#include "Conversation.h"
#include "ConversationGroup.h"
#include "ai/AIResponse.h"
#include "store/DateEnvironment.h"

#include <QFuture>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QUuid>

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
// aside under a key of its own by the first save. A load that fails is
// reported and leaves the stored conversations untouched; the next save
// tries to load them again.
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
    // list. Returns whether it was written; one that was not stays in the
    // list for this run.
    bool insertConversation(const Conversation &conversation, const std::optional<QByteArray> &screenshotData);
    // Writes the conversation, with these screenshot bytes, over the saved
    // one of the same identifier, keeping its place in the list. Returns
    // whether it was written; false also when there is no such conversation.
    bool updateConversation(const Conversation &conversation, const std::optional<QByteArray> &screenshotData);
    // Removes every conversation with the same identifier and erases its
    // bytes from the file; a current conversation that was it leaves it.
    void deleteConversation(const Conversation &conversation);

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

private:
    enum class LoadState { NotStarted, Loading, Loaded, Failed };
    struct LoadOutcome;

    friend class CurrentConversation; // the application's is made before the list loads
    static ConversationManager &sharedInstance();
    static std::shared_ptr<LoadOutcome> readStoredConversations(
        UserDefaults &userDefaults, ConversationTable &table, const QString &conversationsKey);
    void publish(const LoadOutcome &outcome);
    void finishBackgroundLoad();
    void waitForLoad();

    void setConversations(const QList<Conversation> &conversations);
    void setIsSidebarExpanded(bool expanded);

    // Waits for a load under way, or loads, so that the list holds the
    // stored conversations before it is changed.
    void ensureLoaded();
    // Writes the conversation's row: a new one in front of every row when
    // there is no position, else in place. Logs why when it fails.
    bool writeRow(const Conversation &conversation, const std::optional<QByteArray> &screenshotData,
        const QString &rowId, std::optional<qint64> position);
    bool eraseConversations(const QList<QUuid> &ids);
    void setAsideUndecodableValue();

    QList<Conversation> m_conversations;
    bool m_isSidebarExpanded = false;
    UserDefaults &m_userDefaults;
    const QString m_conversationsKey;
    std::unique_ptr<ConversationTable> m_table;
    // The row of each conversation in the list that has one. Records get a
    // new identifier whenever they are read, so the row's is kept apart.
    QHash<QUuid, QString> m_rowIds;
    LoadState m_loadState = LoadState::NotStarted;
    QFuture<std::shared_ptr<LoadOutcome>> m_backgroundLoad;
    // The value under "SavedConversations" could not be decoded: it is moved
    // aside before this program writes any conversation.
    bool m_undecodableValueKept = false;
    std::unique_ptr<CurrentConversation> m_current;
};
