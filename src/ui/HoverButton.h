#pragma once

#include "AnimatedValue.h"

#include <QAbstractButton>
#include <QColor>
#include <QRectF>

#include <functional>

class QPainter;

// A plain button that tells its owner when the pointer enters and leaves it
// and that moves its own look between rest (0) and hovered (1) along a
// spring. The whole widget takes clicks and hovering.
class HoverButton : public QAbstractButton
{
    Q_OBJECT

public:
    // The owner's idea of whether the pointer is over the button. Kept, but
    // the look follows the button's own hover progress.
    bool isHovered() const { return m_isHovered; }
    void setHovered(bool hovered) { m_isHovered = hovered; }

    // 1 while the pointer is over the button, else 0; changes at once.
    qreal hoverProgress() const { return m_hoverProgress; }
    // What is drawn: on its way to the hover progress.
    qreal hoverLook() const { return m_look.value(); }

protected:
    HoverButton(bool isHovered, std::function<void()> onTap, std::function<void(bool)> onHover,
        const Motion &hoverMotion, QWidget *parent);

    // A filled capsule with its outline of the given width drawn just inside
    // its edge, as the overlay's pills are drawn.
    static void paintCapsule(QPainter &painter, const QRectF &capsule, const QColor &fill,
        const QColor &outline, qreal outlineWidth);

    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void setPointerInside(bool inside);

    bool m_isHovered;
    std::function<void(bool)> m_onHover;
    Motion m_hoverMotion;
    qreal m_hoverProgress = 0;
    AnimatedValue m_look;
};
