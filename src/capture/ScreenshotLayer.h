#pragma once

#include <QImage>
#include <QRectF>

#include <optional>

class QPainter;

// The captured image as the analysis overlay draws it over the dimmed
// screen, and the moving colour band laid over it while an analysis runs.
namespace ScreenshotLayer {

inline constexpr qreal cornerRadius = 12;

// The image fitted into the frame without smoothing, or, with no image, a
// placeholder with a "photo" symbol; clipped to a rounded rectangle, with a
// light outline and a shadow.
void paint(QPainter &painter, const QRectF &frame, const std::optional<QImage> &image);

// The working layer: a band of blue and purple that slides across the frame
// by 0.6 of its width as the offset runs from 0 to 1. presence fades and
// scales it in and out (0 gone, 1 fully there).
void paintWorkingLayer(QPainter &painter, const QRectF &frame, qreal gradientOffset, qreal presence);

} // namespace ScreenshotLayer
