#include "KeyableOverlayWindow.h"

#include <QPainter>

namespace {

Qt::WindowFlags flagsFor(KeyableOverlayWindow::Level level)
{
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    if (level == KeyableOverlayWindow::Level::ScreenSaver) {
        // Out of the window manager's hands, so that no panel or dock stays
        // above it; it takes the keyboard itself.
        flags |= Qt::X11BypassWindowManagerHint;
    } else {
        // Kept out of the task bar and the window switcher.
        flags |= Qt::Tool;
    }
    return flags;
}

} // namespace

KeyableOverlayWindow::KeyableOverlayWindow(const QRect &contentRect, Level level)
    : QWidget(nullptr, flagsFor(level))
    , m_level(level)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    // It takes the keyboard when shown, but neither a click on what it shows
    // nor Tab may take the keyboard away from the field the user is typing
    // in: the window itself is never the focus.
    setFocusPolicy(Qt::NoFocus);
    setGeometry(contentRect);
}

void KeyableOverlayWindow::setBackgroundFrame(const QImage &frame, const QPointF &origin)
{
    m_frame = frame;
    m_frameOrigin = origin;
    update();
}

void KeyableOverlayWindow::setContentView(QWidget *view)
{
    if (m_contentView == view)
        return;
    if (m_contentView) {
        // The old view may be in the middle of handling the event that
        // replaces it.
        m_contentView->hide();
        m_contentView->deleteLater();
    }
    m_contentView = view;
    if (view) {
        view->setParent(this);
        view->setGeometry(rect());
        view->show();
    }
}

void KeyableOverlayWindow::present()
{
    show();
    raise();
    activateWindow();
}

void KeyableOverlayWindow::paintEvent(QPaintEvent *)
{
    if (m_frame.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(mapFromGlobal(m_frameOrigin), m_frame);
}

void KeyableOverlayWindow::resizeEvent(QResizeEvent *)
{
    if (m_contentView)
        m_contentView->setGeometry(rect());
}
