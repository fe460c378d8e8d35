#pragma once

#include "WindowFitter.h"

#include <QColor>
#include <QPointer>
#include <QSizeF>
#include <QString>
#include <QWidget>

#include <optional>

// Makes, keeps and replaces the window of one kind that the application
// builds in code (onboarding, settings, chat); each kind has an owner of its
// own. Every such window is placed the same way (WindowFitter): in the
// middle of the primary screen's available area, title bar included, and
// made smaller, down to its minimum size, where it does not fit. A new window of the owner
// closes the one made before; closing a window by its frame only hides it,
// and it stays with the owner until the next one replaces it.
class WindowOwner
{
public:
    // How a window of the kind looks and behaves, apart from its content.
    struct Style
    {
        // The size it asks for; smaller where the screen is.
        QSizeF size;
        Qt::WindowFlags flags = Qt::Window;
        // Names the window to the window manager and task switchers.
        QString title;
        // Only what the content draws is drawn; the rest stays clear.
        bool translucent = false;
        // A left press on the background, which no control takes, moves the window.
        bool movableByBackground = false;
        // The window colour behind the content, when not the platform's own.
        std::optional<QColor> background;
    };

    WindowOwner() = default;
    // Deletes the window at once: none of its handlers can be running any more.
    ~WindowOwner();
    WindowOwner(const WindowOwner &) = delete;
    WindowOwner &operator=(const WindowOwner &) = delete;

    // The window while there is one.
    QWidget *window() const { return m_window; }

    // Closes the window made before, then makes a new, still hidden and
    // empty window in the style, placed as above.
    QWidget *createWindow(const Style &style);
    // The same for a widget without a parent that is its own content, such
    // as a view that fills the whole window; the owner takes it.
    QWidget *adoptWindow(QWidget *window, const Style &style);
    // Fills the window with its content view, edge to edge.
    void setContentView(QWidget *view);
    // Shows the window above the others and gives it the keyboard focus.
    void bringToFront();
    // Closes the window and lets it go; harmless without one. It is deleted
    // once the event loop is back, because the close may come from one of
    // its own handlers (a button on the page that ends it).
    void closeWindow();

    // What places the window while there is one.
    WindowFitter *fitter() const { return m_window ? m_fitter.data() : nullptr; }

private:
    QPointer<QWidget> m_window;
    QPointer<WindowFitter> m_fitter;
};
