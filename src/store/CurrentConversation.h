#pragma once

#include "Conversation.h"
#include "ai/AIResponse.h"
#include "ai/QuickAction.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QImage>
#include <QList>
#include <QObject>
#include <QUuid>

#include <optional>

class AIManager;
class ConversationManager;

// The conversation the user is in now: one screenshot and what is asked
// about it, from a capture or the reopening of a saved conversation until it
// ends. It is the one place that knows
//   - which saved conversation it is, if any (none until it is first saved),
//   - its screenshot, as an image and as the PNG bytes it is saved with,
//   - its answers and the context of its next question, which the AI client
//     holds for it and which nothing else resets or restores,
//   - whether an answer is awaited and whether answers are not saved yet.
//
// The overlay and the chat window ask their questions through it, the tray
// panel and the chat window's sidebar reopen saved conversations through it,
// the overlay hands it to the chat window as it is, and closing either ends
// it; the store writes what it is handed. Whatever takes its place (a
// capture, a reopened conversation, its end) saves what is unsaved first,
// so that nothing asked is lost or saved under another conversation's
// screenshot; an answer still awaited for it is dropped.
//
// Each store keeps one (ConversationManager::current()).
class CurrentConversation : public QObject
{
    Q_OBJECT

public:
    // The application's, kept by the application's store; made before that
    // store loads its list.
    static CurrentConversation &shared();

    // Saves through the store; the AI client and the store must outlive it.
    CurrentConversation(AIManager &aiManager, ConversationManager &store, QObject *parent = nullptr);

    // The AI client that holds the answers, for those who show them.
    AIManager &aiManager() const { return m_ai; }

    // The saved conversation it continues, as last written; none until it
    // has been saved.
    const std::optional<Conversation> &savedConversation() const { return m_saved; }

    // The screenshot asked about: none after a failed capture, or for a
    // saved conversation kept without one or whose bytes are no image.
    const std::optional<QImage> &screenshotImage() const { return m_screenshotImage; }
    // The PNG bytes it is saved with: those stored, for a reopened
    // conversation; else the image's, encoded once (and shared with the AI
    // client's request).
    std::optional<QByteArray> screenshotData();

    // Its answers, oldest first.
    const QList<AIResponse> &answers() const;
    // Its lines as a save writes them: those of the saved conversation as
    // stored (a last one without a partner too), then two for each answer
    // asked since.
    QList<SavedMessage> messages() const;
    bool isAwaitingAnswer() const;
    // Whether it holds answers that the store does not have yet.
    bool hasUnsavedAnswers() const;

    // A capture: what was current ends (saved), and a conversation about
    // this screenshot begins, without answers.
    void start(const std::optional<QImage> &screenshot);
    // Asks about the screenshot: a typed question, a follow-up, a quick
    // action. Each yields the answer (or the failure text in its place)
    // once it is in; none without a screenshot, or when another
    // conversation has taken this one's place meanwhile.
    QCoro::Task<std::optional<AIResponse>> ask(QString question);
    QCoro::Task<std::optional<AIResponse>> askFollowUp(QString question);
    QCoro::Task<std::optional<AIResponse>> runQuickAction(QuickAction action);
    // Continues a saved conversation: what is unsaved is saved first, then
    // its screenshot, its answers and their context become the current ones.
    void reopen(const Conversation &conversation);
    // Writes what is not saved yet: a new conversation at the front of the
    // list, which it continues from then on, or the answers asked since into
    // the saved one, where that stands. Returns whether it wrote.
    bool save();
    // Saves what is unsaved, then holds nothing: no screenshot, no answers,
    // no context, no saved conversation.
    void end();
    // Drops the answers, so that those that follow are saved as a new
    // conversation; the screenshot, the context and an answer awaited stay.
    void clear();

Q_SIGNALS:
    // Another conversation took this one's place (a capture, a reopened
    // conversation, the end, the deletion of the saved one it continued);
    // an answer awaited for the one before does not come.
    void replaced();
    // Which saved conversation it continues, or how that was last written,
    // changed.
    void savedConversationChanged();

private:
    // The answer of a question asked during the exchange, unless the AI
    // client has moved on to another one since.
    std::optional<AIResponse> answerFor(const AIResponse &answer, quint64 exchange) const;
    bool holdsAnything() const;
    // Saves what is unsaved, leaves the saved conversation and the
    // screenshot and resets the AI client.
    void finish();
    bool saveFollowUps();
    void conversationDeleted(const QUuid &id);

    AIManager &m_ai;
    ConversationManager &m_store;
    std::optional<Conversation> m_saved;
    // How many of the answers the saved conversation holds.
    qsizetype m_savedAnswers = 0;
    std::optional<QImage> m_screenshotImage;
    std::optional<QByteArray> m_screenshotData;
    // Whether m_screenshotData is known or the image is still to be encoded.
    bool m_screenshotDataKnown = true;
};
