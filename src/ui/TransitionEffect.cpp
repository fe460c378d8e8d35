#include "TransitionEffect.h"

#include <QPainter>

TransitionEffect::TransitionEffect(QObject *parent)
    : QGraphicsEffect(parent)
{ }

void TransitionEffect::setLook(qreal opacity, qreal scale, const QPointF &offset)
{
    const QRectF before = boundingRect();
    m_opacity = opacity;
    m_scale = scale;
    m_offset = offset;
    if (boundingRect() != before)
        updateBoundingRect();
    update();
}

QRectF TransitionEffect::boundingRectFor(const QRectF &rect) const
{
    // Shrinking stays inside the widget; growing or moving may not.
    const qreal grown = qMax<qreal>(1, m_scale);
    const QRectF scaled(
        rect.center() - QPointF(rect.width(), rect.height()) * grown / 2, rect.size() * grown);
    return rect | scaled.translated(m_offset);
}

bool TransitionEffect::isIdentity() const
{
    return m_opacity >= 1 && m_scale == 1 && m_offset.isNull();
}

void TransitionEffect::draw(QPainter *painter)
{
    if (isIdentity()) {
        drawSource(painter);
        return;
    }
    if (m_opacity <= 0 || m_scale <= 0)
        return;
    QPoint origin;
    const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &origin, QGraphicsEffect::NoPad);
    if (pixmap.isNull())
        return;
    const QPointF centre = sourceBoundingRect(Qt::LogicalCoordinates).center();
    painter->save();
    painter->setOpacity(painter->opacity() * m_opacity);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->translate(centre + m_offset);
    painter->scale(m_scale, m_scale);
    painter->translate(-centre);
    painter->drawPixmap(origin, pixmap);
    painter->restore();
}
