#pragma once

#include "ui/AnimatedValue.h"

#include <QWidget>

#include <functional>

class ChatPanelView;
class ChatWindowManager;
class ConversationManager;
class ConversationSidebarView;
class QKeyEvent;
class ScreenshotPanelView;

// The chat window's content, and the window itself: the sidebar of saved
// conversations (while the store says it is expanded; it slides in from the
// left and fades in over 0.3 s), the screenshot panel and the chat panel.
// The window goes as narrow as the two panes; where it is too narrow for
// the sidebar beside them as well, the sidebar lies over them.
//
// Ctrl+W and Escape close the chat with a save while this window is the
// active one, unless a window of the capture (the selection or the
// overlay) shows: those take the keys first. A close from the window's
// title bar is reported through onCloseRequest.
class ChatWindowView : public QWidget
{
    Q_OBJECT

public:
    ChatWindowView(ChatWindowManager &chat, ConversationManager &conversations,
        std::function<void(QWidget *window)> onCloseRequest, QWidget *parent = nullptr);
    ~ChatWindowView() override;

    // Whether the key, with its modifiers, closes the chat: Ctrl+W (with any
    // other modifiers) and Escape (with any).
    static bool closesChat(const QKeyEvent &event);

    ConversationSidebarView *sidebar() const { return m_sidebar; }
    ScreenshotPanelView *screenshotPanel() const { return m_screenshotPanel; }
    ChatPanelView *chatPanel() const { return m_chatPanel; }
    // How far the sidebar is in: 0 hidden, 1 shown.
    qreal sidebarPresence() const { return m_sidebarPresence.value(); }

    // How much of the window's width the sidebar takes from the panes when
    // `sidebarShown` pixels of it show: all of that where the panes keep
    // their minimum beside it; otherwise what is left, and it lies over
    // the panes for the rest.
    static int sidebarRoom(int sidebarShown, int windowWidth, int panesMinimum);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    bool eventFilter(QObject *watched, QEvent *event) override;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void closeAndSave();
    void layOut();
    void setupKeyboardShortcuts();
    void removeKeyboardShortcuts();

    ChatWindowManager &m_chat;
    ConversationManager &m_conversations;
    std::function<void(QWidget *)> m_onCloseRequest;
    ConversationSidebarView *m_sidebar;
    ScreenshotPanelView *m_screenshotPanel;
    ChatPanelView *m_chatPanel;
    AnimatedValue m_sidebarPresence;
    bool m_watchingKeys = false;
};
