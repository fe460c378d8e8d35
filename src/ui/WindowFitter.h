#pragma once

#include <QMargins>
#include <QObject>
#include <QSize>

class QWidget;

// Keeps a window that the application builds inside the free area of the
// primary screen, its title bar included: in the middle of the area, made
// smaller where it does not fit (down to its minimum size), and with its
// title bar on screen in any case.
//
// A window manager tells how large the frame it draws around a window is
// only once the window is on screen. Until then the frame is estimated: none
// for a borderless window or where no window manager runs, else the frame
// that an earlier window of ours was given, else a generous guess. Once the
// window manager has told, the window is placed again if the frame differs
// from the estimate; after that the window is the user's to move.
class WindowFitter : public QObject
{
    Q_OBJECT

public:
    // Follows `window`, which asks for `size`; it is the fitter's parent.
    WindowFitter(QWidget *window, const QSize &size);

    // Places the window by the frame it has, or is expected to get.
    void fit();
    // Watches the window, once it is on screen, for its frame to be known.
    void watch();

    // The frame the last placement assumed.
    QMargins frame() const { return m_frame; }
    // Whether the frame is known rather than estimated.
    bool frameKnown() const { return m_frameKnown; }

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSize minimumSize() const;
    void learnFrame();
    void stopWatching();

    QWidget *m_window;
    QSize m_size;
    QMargins m_frame;
    bool m_frameKnown = false;
    bool m_watching = false;
};
