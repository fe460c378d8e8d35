#include "WindowFitter.h"

#include "WindowPlacement.h"
#include "platform/WindowManager.h"

#include <QEvent>
#include <QLayout>
#include <QWidget>
#include <QWindow>

namespace {

// The frame the window manager last drew around one of our titled windows:
// the best estimate for the next one, which it will frame the same way.
QMargins &lastFrame()
{
    static QMargins frame;
    return frame;
}

} // namespace

WindowFitter::WindowFitter(QWidget *window, const QSize &size)
    : QObject(window)
    , m_window(window)
    , m_size(size)
{
}

QSize WindowFitter::minimumSize() const
{
    // The layout hands the window its minimum once it is activated; a size
    // the window sets itself wins over the layout's.
    if (QLayout *layout = m_window->layout())
        layout->activate();
    const QSize explicitMinimum = m_window->minimumSize();
    return explicitMinimum.isNull() ? m_window->minimumSizeHint().expandedTo(QSize(0, 0)) : explicitMinimum;
}

void WindowFitter::fit()
{
    if (!m_frameKnown) {
        const bool framed
            = !m_window->windowFlags().testFlag(Qt::FramelessWindowHint) && WindowManager::isRunning();
        m_frame = !framed ? QMargins() : lastFrame().isNull() ? WindowPlacement::estimatedFrame : lastFrame();
        // Nothing will tell more about a frame that is not there.
        m_frameKnown = !framed;
    }
    m_window->setGeometry(WindowPlacement::fit(m_size, minimumSize(), m_frame, WindowPlacement::availableArea()));
}

void WindowFitter::watch()
{
    if (m_frameKnown || m_watching || !m_window->windowHandle())
        return;
    m_watching = true;
    m_window->windowHandle()->installEventFilter(this);
    m_window->installEventFilter(this);
    learnFrame();
}

void WindowFitter::stopWatching()
{
    if (!m_watching)
        return;
    m_watching = false;
    if (m_window->windowHandle())
        m_window->windowHandle()->removeEventFilter(this);
    m_window->removeEventFilter(this);
}

bool WindowFitter::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Expose:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
        learnFrame();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void WindowFitter::learnFrame()
{
    const QWindow *handle = m_window->windowHandle();
    if (m_frameKnown || !handle || !m_window->isVisible())
        return;
    const QMargins frame = handle->frameMargins();
    // The window manager frames a window before it shows it; no frame yet
    // means it has not got to this one.
    if (frame.isNull() && !m_frame.isNull())
        return;
    m_frameKnown = true;
    stopWatching();
    if (!frame.isNull())
        lastFrame() = frame;
    if (frame != m_frame) {
        m_frame = frame;
        fit();
    }
}
