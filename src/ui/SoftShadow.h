#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>

class QPainter;

// Soft shadows of rounded rectangles, painted behind them.
namespace SoftShadow {

// The shadow of the rounded rectangle moved by the offset: the colour at its
// full strength well inside the edge, fading to nothing over the blur radius
// on either side of the edge.
void paintRoundedRect(QPainter &painter, const QRectF &rect, qreal cornerRadius, const QColor &colour,
    qreal blurRadius, const QPointF &offset);

} // namespace SoftShadow
