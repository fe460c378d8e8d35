#pragma once

#include "KeyableOverlayWindow.h"

#include <QPointer>
#include <QRect>

// Makes, owns and closes one overlay window at a time.
class OverlayWindowController
{
public:
    OverlayWindowController() = default;
    ~OverlayWindowController();
    OverlayWindowController(const OverlayWindowController &) = delete;
    OverlayWindowController &operator=(const OverlayWindowController &) = delete;

    // The window while there is one.
    KeyableOverlayWindow *window() const { return m_window; }

    // Closes the previous window, then makes a new, still hidden one over
    // `contentRect` (global coordinates, logical pixels) at the level.
    KeyableOverlayWindow *createWindow(const QRect &contentRect, KeyableOverlayWindow::Level level);

    // Hides the window and lets it go with its content; harmless without one.
    // The window is deleted once control returns to the event loop, because
    // the close may come from inside one of its own event handlers.
    void closeWindow();

private:
    QPointer<KeyableOverlayWindow> m_window;
};
