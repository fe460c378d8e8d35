#include "BackgroundWindowMover.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

BackgroundWindowMover::BackgroundWindowMover(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    // Presses that the window's children ignore travel up to the window, so
    // watching the window alone sees every press on the background.
    window->installEventFilter(this);
}

bool BackgroundWindowMover::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window)
        return false;

    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (QWindow *handle = m_window->windowHandle(); handle && handle->startSystemMove())
            return true;
        m_dragging = true;
        m_pressOffset = mouse->globalPosition().toPoint() - m_window->pos();
        return true;
    }
    case QEvent::MouseMove:
        if (!m_dragging)
            return false;
        m_window->move(static_cast<QMouseEvent *>(event)->globalPosition().toPoint() - m_pressOffset);
        return true;
    case QEvent::MouseButtonRelease:
        if (!m_dragging)
            return false;
        m_dragging = false;
        return true;
    default:
        return false;
    }
}
