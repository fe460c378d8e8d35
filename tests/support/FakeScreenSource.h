#pragma once

#include "platform/ScreenGrabber.h"

#include <QList>
#include <QPair>

// Displays and their pictures of a test's choosing, in place of the session's
// screens (or of the source installed before) for the life of the object.
class FakeScreenSource : public ScreenGrabber::Source
{
public:
    FakeScreenSource();
    ~FakeScreenSource() override;
    FakeScreenSource(const FakeScreenSource &) = delete;
    FakeScreenSource &operator=(const FakeScreenSource &) = delete;

    // A display with its pixel size worked out from the bounds and the ratio.
    static ScreenDisplay display(const QString &id, const QRectF &bounds, qreal devicePixelRatio = 1.0);
    // A picture of the display's pixel size, filled with one colour, with the
    // display's device pixel ratio.
    static QImage filledFrame(const ScreenDisplay &display, const QColor &colour);

    // Adds a display after those added before (the first one is the main
    // display). Grabbing it yields `frame`; a null frame makes the grab fail.
    void addDisplay(const ScreenDisplay &display, const QImage &frame);

    // How many grabs have been asked for.
    int grabCount() const { return m_grabCount; }

    QList<ScreenDisplay> displays() const override;
    QImage grab(const ScreenDisplay &display) const override;

private:
    const ScreenGrabber::Source *m_previous;
    QList<QPair<ScreenDisplay, QImage>> m_displays;
    mutable int m_grabCount = 0;
};
