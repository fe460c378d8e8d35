#pragma once

#include "ScreenDisplay.h"

#include <QImage>
#include <QList>

#include <optional>

// Reads the displays of the session and what they show.
//
// The running program reads the screens through Qt; tests install a Source of
// their own, so that code which captures the screen can run with displays and
// pictures of the test's choosing and no screen at all.
class ScreenGrabber
{
public:
    class Source
    {
    public:
        virtual ~Source() = default;
        // The displays, the main display first.
        virtual QList<ScreenDisplay> displays() const = 0;
        // A picture of the whole display, or a null image when it cannot be read.
        virtual QImage grab(const ScreenDisplay &display) const = 0;
    };

    // The displays, the main (primary) display first, then the others in the
    // order the windowing system lists them. Empty when there is no screen.
    static QList<ScreenDisplay> displays();

    // The main display: the primary screen, the first of displays().
    static std::optional<ScreenDisplay> mainDisplay();

    // A picture of the whole display as it is now. Its size in device pixels
    // is the display's pixel size and its device pixel ratio the display's,
    // so its deviceIndependentSize() is the display's size in points. A null
    // image when the screen cannot be read (a Wayland session, a display that
    // is gone or has changed since it was listed).
    static QImage grabDisplay(const ScreenDisplay &display);

    // Makes `source` the origin of displays and pictures; nullptr restores the
    // session's screens. Returns the source installed before. The caller keeps
    // ownership and removes the source before destroying it.
    static const Source *setSource(const Source *source);
};
