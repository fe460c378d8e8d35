#include "CaptureTestSupport.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

namespace CaptureTestSupport {

QRgb patternPixel(int x, int y)
{
    return qRgb(x & 0xff, y & 0xff, ((x >> 8) << 4) | (y >> 8));
}

QImage patternFrame(const ScreenDisplay &display)
{
    QImage frame(display.pixelWidth, display.pixelHeight, QImage::Format_RGB32);
    for (int y = 0; y < frame.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(frame.scanLine(y));
        for (int x = 0; x < frame.width(); ++x)
            line[x] = patternPixel(x, y);
    }
    frame.setDevicePixelRatio(display.devicePixelRatio);
    return frame;
}

QList<KeyableOverlayWindow *> visibleOverlayWindows()
{
    QList<KeyableOverlayWindow *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<KeyableOverlayWindow *>(widget); window && window->isVisible())
            windows.append(window);
    }
    return windows;
}

KeyableOverlayWindow *visibleWindow(KeyableOverlayWindow::Level level)
{
    for (KeyableOverlayWindow *window : visibleOverlayWindows()) {
        if (window->level() == level)
            return window;
    }
    return nullptr;
}

void drag(QWidget *widget, QPoint press, const QList<QPoint> &moves)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, press);
    for (const QPoint &move : moves)
        QTest::mouseMove(widget, move);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, moves.isEmpty() ? press : moves.last());
}

void deleteClosedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace CaptureTestSupport
