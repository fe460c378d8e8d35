#pragma once

#include "capture/KeyableOverlayWindow.h"
#include "platform/ScreenDisplay.h"

#include <QImage>
#include <QList>
#include <QPoint>

class QWidget;

namespace CaptureTestSupport {

// A picture of the display in which every pixel names its place: red and
// green are x and y modulo 256, blue holds the higher bits of both.
QImage patternFrame(const ScreenDisplay &display);
// The colour patternFrame gives the pixel at (x, y).
QRgb patternPixel(int x, int y);

// Our overlay windows that are on screen, top-level widgets of the process.
QList<KeyableOverlayWindow *> visibleOverlayWindows();
// The one shown at that level, or nullptr.
KeyableOverlayWindow *visibleWindow(KeyableOverlayWindow::Level level);

// Drags with the left button in the widget's coordinates as a pointer would:
// down at `press`, then through each of `moves`, then up at the last move.
void drag(QWidget *widget, QPoint press, const QList<QPoint> &moves);

// Lets windows that were closed go, as the event loop would.
void deleteClosedWindows();

} // namespace CaptureTestSupport
