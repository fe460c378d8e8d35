#pragma once

#include <QList>
#include <QWidget>

class ConversationGroupView;
class ConversationManager;
class ConversationThumbnails;
class PlainLabel;
class QScrollArea;
class QVBoxLayout;
class SymbolButton;

// The chat window's list of saved conversations: "Conversations" with the
// count and a close button, then the conversations grouped by age, or "No
// conversations yet". A row opens its conversation at once; its delete
// button deletes it. The list follows the store's changes.
class ConversationSidebarView : public QWidget
{
    Q_OBJECT

public:
    explicit ConversationSidebarView(ConversationManager &conversations, QWidget *parent = nullptr);

    static constexpr int sidebarWidth = 300;

    PlainLabel *countLabel() const { return m_count; }
    SymbolButton *closeButton() const { return m_closeButton; }
    QScrollArea *scrollArea() const { return m_scrollArea; }
    const QList<ConversationGroupView *> &groups() const { return m_groups; }
    // Whether the "No conversations yet" placeholder shows.
    bool showsPlaceholder() const { return m_placeholder != nullptr; }

private:
    void scheduleRebuild();
    void rebuild();

    ConversationManager &m_conversations;
    ConversationThumbnails *m_thumbnails;
    PlainLabel *m_count;
    SymbolButton *m_closeButton;
    QScrollArea *m_scrollArea;
    QWidget *m_list = nullptr;
    QWidget *m_placeholder = nullptr;
    QList<ConversationGroupView *> m_groups;
    bool m_rebuildScheduled = false;
};
