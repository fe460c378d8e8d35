#include "ScreenGrabber.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <algorithm>
#include <utility>

namespace {

const ScreenGrabber::Source *installedSource = nullptr;

ScreenDisplay displayOf(const QScreen *screen)
{
    const QRect geometry = screen->geometry();
    const qreal ratio = screen->devicePixelRatio();
    return ScreenDisplay { screen->name(), QRectF(geometry), qRound(geometry.width() * ratio),
        qRound(geometry.height() * ratio), ratio };
}

QList<QScreen *> screensMainFirst()
{
    QList<QScreen *> screens = QGuiApplication::screens();
    if (QScreen *primary = QGuiApplication::primaryScreen()) {
        screens.removeAll(primary);
        screens.prepend(primary);
    }
    return screens;
}

QImage grabScreen(const ScreenDisplay &display)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    const auto screen = std::find_if(screens.cbegin(), screens.cend(),
        [&display](const QScreen *candidate) { return displayOf(candidate) == display; });
    if (screen == screens.cend())
        return {};

    QImage image = (*screen)->grabWindow(0).toImage();
    if (image.isNull())
        return {};
    // With a fractional scale the screen's device size may differ from its
    // size in points × ratio by a rounding pixel; keep the promised size.
    const QSize pixelSize(display.pixelWidth, display.pixelHeight);
    if (image.size() != pixelSize)
        image = image.copy(QRect(QPoint(0, 0), pixelSize));
    image.setDevicePixelRatio(display.devicePixelRatio);
    return image;
}

} // namespace

QList<ScreenDisplay> ScreenGrabber::displays()
{
    if (installedSource)
        return installedSource->displays();
    QList<ScreenDisplay> displays;
    for (const QScreen *screen : screensMainFirst())
        displays.append(displayOf(screen));
    return displays;
}

std::optional<ScreenDisplay> ScreenGrabber::mainDisplay()
{
    const QList<ScreenDisplay> all = displays();
    if (all.isEmpty())
        return std::nullopt;
    return all.first();
}

QImage ScreenGrabber::grabDisplay(const ScreenDisplay &display)
{
    return installedSource ? installedSource->grab(display) : grabScreen(display);
}

const ScreenGrabber::Source *ScreenGrabber::setSource(const Source *source)
{
    return std::exchange(installedSource, source);
}
