#include "ScreenshotLayer.h"

#include "OverlayGeometry.h"
#include "ui/Palette.h"
#include "ui/SoftShadow.h"
#include "ui/Symbols.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

QPainterPath roundedFrame(const QRectF &frame)
{
    QPainterPath path;
    path.addRoundedRect(frame, ScreenshotLayer::cornerRadius, ScreenshotLayer::cornerRadius);
    return path;
}

void paintPlaceholder(QPainter &painter, const QRectF &frame)
{
    painter.fillRect(frame, Palette::windowBackground());
    // A symbol at a 32-pixel font is about 36 pixels across.
    constexpr int side = 36;
    QRectF symbol(0, 0, side, side);
    symbol.moveCenter(frame.center());
    Symbols::icon(QStringLiteral("photo"), Palette::secondaryLabel(), side).paint(&painter, symbol.toRect());
}

} // namespace

namespace ScreenshotLayer {

void paint(QPainter &painter, const QRectF &frame, const std::optional<QImage> &image)
{
    SoftShadow::paintRoundedRect(
        painter, frame, cornerRadius, Palette::withOpacity(Qt::black, 0.25), 12, QPointF(0, 4));

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipPath(roundedFrame(frame));
    if (image) {
        // Nearest pixel: a capture shown at its own size stays sharp.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(OverlayGeometry::fittedImageRect(image->deviceIndependentSize(), frame), *image);
    } else {
        paintPlaceholder(painter, frame);
    }
    painter.restore();

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Palette::withOpacity(Qt::white, 0.3), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(roundedFrame(frame));
    painter.restore();
}

void paintWorkingLayer(QPainter &painter, const QRectF &frame, qreal gradientOffset, qreal presence)
{
    if (presence <= 0)
        return;
    const auto unitPoint = [&frame](qreal x, qreal y) {
        return QPointF(frame.left() + x * frame.width(), frame.top() + y * frame.height());
    };
    QLinearGradient gradient(
        unitPoint(-0.3 + 0.6 * gradientOffset, 0), unitPoint(0.7 + 0.6 * gradientOffset, 1));
    gradient.setColorAt(0, Palette::withOpacity(Palette::blue(), 0.15));
    gradient.setColorAt(0.5, Palette::withOpacity(Palette::purple(), 0.2));
    gradient.setColorAt(1, Palette::withOpacity(Palette::blue(), 0.15));

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(painter.opacity() * presence);
    painter.translate(frame.center());
    painter.scale(presence, presence);
    painter.translate(-frame.center());
    painter.setPen(QPen(Palette::withOpacity(Palette::blue(), 0.3), 1));
    painter.setBrush(gradient);
    painter.drawPath(roundedFrame(frame));
    painter.restore();
}

} // namespace ScreenshotLayer
