#pragma once

#include "Conversation.h"
#include "ConversationGroup.h"
#include "ConversationHooks.h"
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
class UserDefaults;

// The one store of saved conversations. It saves the AI client's answers
// about the current screenshot as a conversation with the screenshot's PNG
// bytes, keeps the saved ones newest first, restores one into the AI client
// and the chat window, deletes them and groups them by age.
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
// While a restored conversation is being viewed (currentConversation is
// present), saving stores nothing: the answers are that conversation's own.
//
// Every write of a published property stores the value and then emits its
// change signal, also when the value is equal to the old one.
class ConversationManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<Conversation> conversations READ conversations NOTIFY conversationsChanged)
    Q_PROPERTY(std::optional<Conversation> currentConversation READ currentConversation WRITE
            setCurrentConversation NOTIFY currentConversationChanged)
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

    // How every store reaches the chat window and the capture; the
    // application installs them before it shows anything.
    static void setHooks(ConversationHooks hooks);

    // Newest first; empty until the saved ones are loaded.
    const QList<Conversation> &conversations() const { return m_conversations; }

    const std::optional<Conversation> &currentConversation() const { return m_currentConversation; }
    // The chat window clears it, so that what follows is saved as new.
    void setCurrentConversation(const std::optional<Conversation> &conversation);

    // Whether the chat window shows its sidebar; the chat window animates
    // the change over 0.3 s, without bounce.
    bool isSidebarExpanded() const { return m_isSidebarExpanded; }
    void toggleSidebar();

    // Leaves a viewed conversation (saving nothing) and resets the AI client.
    // The image is not used.
    void startNewConversation(const std::optional<QImage> &image = std::nullopt);
    // Saves the AI client's answers with the chat window's screenshot, or
    // else the last capture, as a new conversation at the front of the list,
    // unless there are no answers or a saved conversation is being viewed.
    void saveCurrentConversation();
    // While a saved conversation is being viewed and the AI client's answers
    // are those restored from it followed by further ones (follow-ups asked
    // since), appends the further ones to that conversation in place: same
    // identifier, title, creation date, screenshot and place in the list.
    // The updated record becomes the current one. Returns whether it wrote;
    // with nothing new, or answers that are not that conversation's, it
    // changes nothing.
    bool updateCurrentConversation();
    // Views the conversation: its answers go to the AI client, its messages
    // and screenshot to the chat window.
    void loadConversation(const Conversation &conversation);
    // Removes every conversation with the same identifier; when it was being
    // viewed, also resets the AI client and empties the chat transcript.
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

private:
    enum class LoadState { NotStarted, Loading, Loaded, Failed };
    struct LoadOutcome;

    static ConversationManager &sharedInstance();
    static std::shared_ptr<LoadOutcome> readStoredConversations(
        UserDefaults &userDefaults, ConversationTable &table, const QString &conversationsKey);
    void publish(const LoadOutcome &outcome);
    void finishBackgroundLoad();
    void waitForLoad();

    void setConversations(const QList<Conversation> &conversations);
    void setIsSidebarExpanded(bool expanded);

    std::optional<QList<AIResponse>> getAIResponses() const;
    std::optional<QByteArray> getCurrentScreenshotData() const;
    std::optional<QByteArray> convertImageToData(const QImage &image) const;
    static QList<SavedMessage> convertToSavedMessages(const QList<AIResponse> &responses);
    static QList<AIResponse> restoredResponses(const Conversation &conversation);
    void restoreConversationToManagers(const Conversation &conversation);
    bool saveConversation(const Conversation &conversation);
    // Writes the conversation over its own row, keeping its place.
    bool saveConversationInPlace(const Conversation &conversation);
    bool eraseConversations(const QList<QUuid> &ids);
    void setAsideUndecodableValue();

    QList<Conversation> m_conversations;
    std::optional<Conversation> m_currentConversation;
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
    // to a file beside the store before this program writes any conversation.
    bool m_undecodableValueKept = false;
};
