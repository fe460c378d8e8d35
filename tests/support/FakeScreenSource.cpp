#include "FakeScreenSource.h"

#include <QColor>

FakeScreenSource::FakeScreenSource()
    : m_previous(ScreenGrabber::setSource(this))
{
}

FakeScreenSource::~FakeScreenSource()
{
    ScreenGrabber::setSource(m_previous);
}

ScreenDisplay FakeScreenSource::display(const QString &id, const QRectF &bounds, qreal devicePixelRatio)
{
    return ScreenDisplay { id, bounds, qRound(bounds.width() * devicePixelRatio),
        qRound(bounds.height() * devicePixelRatio), devicePixelRatio };
}

QImage FakeScreenSource::filledFrame(const ScreenDisplay &display, const QColor &colour)
{
    QImage frame(display.pixelWidth, display.pixelHeight, QImage::Format_RGB32);
    frame.fill(colour);
    frame.setDevicePixelRatio(display.devicePixelRatio);
    return frame;
}

void FakeScreenSource::addDisplay(const ScreenDisplay &display, const QImage &frame)
{
    m_displays.append({ display, frame });
}

QList<ScreenDisplay> FakeScreenSource::displays() const
{
    QList<ScreenDisplay> displays;
    for (const auto &[display, frame] : m_displays)
        displays.append(display);
    return displays;
}

QImage FakeScreenSource::grab(const ScreenDisplay &display) const
{
    ++m_grabCount;
    for (const auto &[known, frame] : m_displays) {
        if (known == display)
            return frame;
    }
    return {};
}
