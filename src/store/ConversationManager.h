#pragma once

#include "Conversation.h"
#include "ConversationGroup.h"
#include "ConversationHooks.h"
#include "ai/AIResponse.h"
#include "store/DateEnvironment.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QVariant>

#include <optional>

class UserDefaults;

// The one store of saved conversations. It saves the AI client's answers
// about the current screenshot as a conversation with the screenshot's PNG
// bytes, keeps the saved ones newest first in the user defaults under
// "SavedConversations", restores one into the AI client and the chat window,
// deletes them and groups them by age.
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
    static ConversationManager &shared();

    // How every store reaches the chat window and the capture; the
    // application installs them before it shows anything.
    static void setHooks(ConversationHooks hooks);

    // Newest first.
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
    explicit ConversationManager(UserDefaults &userDefaults);

    void setConversations(const QList<Conversation> &conversations);
    void setIsSidebarExpanded(bool expanded);

    std::optional<QList<AIResponse>> getAIResponses() const;
    std::optional<QByteArray> getCurrentScreenshotData() const;
    std::optional<QByteArray> convertImageToData(const QImage &image) const;
    static QList<SavedMessage> convertToSavedMessages(const QList<AIResponse> &responses);
    void restoreConversationToManagers(const Conversation &conversation);
    bool saveConversations();
    void loadConversations();
    bool setAsideUnreadableValue(const QVariant &value);

    QList<Conversation> m_conversations;
    std::optional<Conversation> m_currentConversation;
    bool m_isSidebarExpanded = false;
    UserDefaults &m_userDefaults;
    const QString m_conversationsKey;
    // The stored list could not be read and could not be set aside either;
    // it must be set aside before anything may replace it.
    bool m_unreadableValueAtRisk = false;
};
