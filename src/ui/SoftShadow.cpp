#include "SoftShadow.h"

#include <QPainter>
#include <QtMath>

namespace SoftShadow {

void paintRoundedRect(QPainter &painter, const QRectF &rect, qreal cornerRadius, const QColor &colour,
    qreal blurRadius, const QPointF &offset)
{
    if (rect.isEmpty() || colour.alpha() == 0)
        return;
    const QRectF shape = rect.translated(offset);
    const auto grown = [&](qreal by) { return shape.adjusted(-by, -by, by, by); };
    const auto radiusAt = [&](qreal by) { return qMax<qreal>(0, cornerRadius + by); };

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // Bands around the edge, from the outermost and faintest inwards; their
    // strengths rise linearly, a close enough stand-in for a Gaussian blur.
    const int bands = qMax(1, qCeil(blurRadius));
    const qreal bandWidth = 2 * blurRadius / bands;
    painter.setBrush(Qt::NoBrush);
    for (int band = 0; band < bands; ++band) {
        const qreal by = blurRadius - (band + 0.5) * bandWidth;
        QColor bandColour = colour;
        bandColour.setAlphaF(float(colour.alphaF() * (band + 0.5) / bands));
        painter.setPen(QPen(bandColour, bandWidth));
        painter.drawRoundedRect(grown(by), radiusAt(by), radiusAt(by));
    }
    const QRectF inner = grown(-blurRadius);
    if (!inner.isEmpty()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawRoundedRect(inner, radiusAt(-blurRadius), radiusAt(-blurRadius));
    }
    painter.restore();
}

} // namespace SoftShadow
