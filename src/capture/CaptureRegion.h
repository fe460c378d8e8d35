#pragma once

#include <QRect>
#include <QRectF>
#include <QSizeF>

// Where a selection lies among a display's device pixels, and which pixels a
// capture of it takes.
struct CaptureRegion
{
    // The selection in the display's device pixels, clipped to the display.
    QRectF pixelRect;
    // The size of the capture in device pixels: the clipped size aligned
    // down to a multiple of 16, at least 16.
    int width = 16;
    int height = 16;
    // Device pixels per logical pixel, across and down.
    qreal scaleX = 1;
    qreal scaleY = 1;
    // The display's size in device pixels.
    QSize displayPixels;

    // The pixels to take: the clipped selection's origin with the aligned
    // size. Where a selection narrower than 16 pixels at the display's edge
    // would reach past it, the origin moves back so that every pixel taken
    // is one of the display's.
    QRect sourceRect() const;

    // The capture's size in logical pixels.
    QSizeF pointSize() const { return QSizeF(width / scaleX, height / scaleY); }

    // A rectangle of logical pixels (relative to the display's top-left
    // corner) in device pixels. An edge that lies on a device pixel's edge
    // in logical pixels (300.5 at scale 2, 4/3 at 1.5) comes out as that
    // whole number, not a rounding error beside it that would move it by a
    // pixel when cut to whole pixels.
    static QRectF devicePixelRect(const QRectF &logical, qreal scaleX, qreal scaleY);

    friend bool operator==(const CaptureRegion &, const CaptureRegion &) = default;
};
