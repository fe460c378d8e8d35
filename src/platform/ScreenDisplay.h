#pragma once

#include <QRectF>
#include <QString>

// One display that the screen grabber can read: where it lies in the global
// desktop space and how many device pixels it has.
struct ScreenDisplay
{
    // Names the display for as long as its place and size stay the same.
    QString id;
    // Position and size in points (logical pixels) of the global desktop
    // space, origin at the top-left corner of the primary display.
    QRectF bounds;
    // The display's size in device pixels: bounds × devicePixelRatio.
    int pixelWidth = 0;
    int pixelHeight = 0;
    qreal devicePixelRatio = 1.0;

    friend bool operator==(const ScreenDisplay &, const ScreenDisplay &) = default;
};
