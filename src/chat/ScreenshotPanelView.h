#pragma once

#include <QWidget>

class ChatWindowManager;
class ConversationManager;
class HoverActionButton;
class ScreenshotImageView;
class SymbolButton;

// The chat window's middle column, 400 wide: "Screenshot" and "Reference
// Image" with the sidebar's open button (while the sidebar is hidden) and
// the close button, then the reference image with Copy and Save below it,
// or a placeholder while there is none.
class ScreenshotPanelView : public QWidget
{
    Q_OBJECT

public:
    ScreenshotPanelView(ChatWindowManager &chat, ConversationManager &conversations,
        std::function<void()> closeAndSave, QWidget *parent = nullptr);

    static constexpr int panelWidth = 400;

    SymbolButton *sidebarButton() const { return m_sidebarButton; }
    SymbolButton *closeButton() const { return m_closeButton; }
    ScreenshotImageView *imageView() const { return m_imageView; }
    HoverActionButton *copyButton() const { return m_copyButton; }
    HoverActionButton *saveButton() const { return m_saveButton; }

private:
    void showScreenshot();

    ChatWindowManager &m_chat;
    ConversationManager &m_conversations;
    SymbolButton *m_sidebarButton;
    SymbolButton *m_closeButton;
    ScreenshotImageView *m_imageView;
    QWidget *m_actions;
    HoverActionButton *m_copyButton;
    HoverActionButton *m_saveButton;
};
