#pragma once

#include "capture/KeyableOverlayWindow.h"

#include <QImage>

// The result window as the capture manager makes it: a floating window over
// the whole main screen that paints a frozen picture of the screen and hosts
// an overlay on top of it.
class OverlayHost : public KeyableOverlayWindow
{
public:
    explicit OverlayHost(const QImage &frozenFrame);

    // Takes the overlay; it fills the window.
    void setOverlay(QWidget *overlay) { setContentView(overlay); }

    // Hides the window now and deletes it later, as the capture manager does
    // when the overlay asks to close.
    void dismiss();

    // A stand-in for the screen: a light desktop with a few windows on it.
    static QImage sampleDesktop(const QSize &size);
    // A busy one: windows full of small text, dark on light and light on
    // dark, that would read through anything drawn over them too thinly.
    static QImage busyDesktop(const QSize &size);
};
