#include "HoverButton.h"

#include <QPainter>

HoverButton::HoverButton(bool isHovered, std::function<void()> onTap, std::function<void(bool)> onHover,
    const Motion &hoverMotion, QWidget *parent)
    : QAbstractButton(parent)
    , m_isHovered(isHovered)
    , m_onHover(std::move(onHover))
    , m_hoverMotion(hoverMotion)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::clicked, this, [onTap = std::move(onTap)] {
        if (onTap)
            onTap();
    });
    connect(&m_look, &AnimatedValue::valueChanged, this, [this] {
        // The size follows the look, so the owner's layout moves with it.
        updateGeometry();
        update();
    });
}

void HoverButton::enterEvent(QEnterEvent *event)
{
    setPointerInside(true);
    QAbstractButton::enterEvent(event);
}

void HoverButton::leaveEvent(QEvent *event)
{
    setPointerInside(false);
    QAbstractButton::leaveEvent(event);
}

void HoverButton::setPointerInside(bool inside)
{
    // The owner hears first; the look then moves from wherever it stands.
    if (m_onHover)
        m_onHover(inside);
    m_hoverProgress = inside ? 1 : 0;
    m_look.animateTo(m_hoverProgress, m_hoverMotion);
}

void HoverButton::paintCapsule(
    QPainter &painter, const QRectF &capsule, const QColor &fill, const QColor &outline, qreal outlineWidth)
{
    const qreal radius = capsule.height() / 2;
    const qreal inset = outlineWidth / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(capsule, radius, radius);
    painter.setPen(QPen(outline, outlineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(capsule.adjusted(inset, inset, -inset, -inset), radius - inset, radius - inset);
}
