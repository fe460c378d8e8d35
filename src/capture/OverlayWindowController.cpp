#include "OverlayWindowController.h"

OverlayWindowController::~OverlayWindowController()
{
    closeWindow();
}

KeyableOverlayWindow *OverlayWindowController::createWindow(
    const QRect &contentRect, KeyableOverlayWindow::Level level)
{
    closeWindow();
    m_window = new KeyableOverlayWindow(contentRect, level);
    return m_window;
}

void OverlayWindowController::closeWindow()
{
    if (m_window) {
        m_window->hide();
        m_window->close();
        m_window->deleteLater();
    }
    m_window = nullptr;
}
