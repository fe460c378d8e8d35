#pragma once

#include <QApplication>
#include <QEnterEvent>
#include <QWidget>

// The pointer entering and leaving a widget, as the window system reports it.
inline void pointerEnters(QWidget *widget)
{
    const QPointF inside = QRectF(widget->rect()).center();
    QEnterEvent enter(inside, inside, widget->mapToGlobal(inside));
    QApplication::sendEvent(widget, &enter);
}

inline void pointerLeaves(QWidget *widget)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, &leave);
}
