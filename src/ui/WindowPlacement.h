#pragma once

#include <QMargins>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>

class QDialog;
class QWidget;

// Where the windows that the application builds itself (onboarding, settings,
// chat) appear, and how they come to the front.
namespace WindowPlacement {

// The screen assumed when there is none to measure.
inline constexpr QSizeF fallbackScreenSize(1440, 900);

// What a window manager adds around a titled window before it has said how
// much: a title bar and thin borders, on the generous side, so that the
// title bar is on screen even when the guess is off by a little.
inline constexpr QMargins estimatedFrame(5, 35, 5, 5);

// The content rectangle of a window that asks for `size` and can be made
// no smaller than `minimum`, inside `area` with its `frame` around it: in
// the middle of the area, made smaller (down to `minimum`) where the frame
// would not fit, and, where even that does not fit, with the frame's
// top-left corner (the title bar and its close button) in the area's
// top-left corner. A window that cannot be made smaller passes its size as
// the minimum.
QRect fit(const QSize &size, const QSize &minimum, const QMargins &frame, const QRect &area);

// The part of the primary screen that windows may cover (panels excluded),
// or the fallback screen when there is none.
QRect availableArea();

// The rectangle as "(x, y, width, height)", every number with at least one
// decimal: "(390.0, 110.0, 500.0, 580.0)".
QString describe(const QRectF &rect);
// The size as "(width, height)" in the same way: "(600.0, 400.0)".
QString describe(const QSizeF &size);

// Shows the window above the others and gives it the keyboard focus.
void bringToFront(QWidget *window);

// Has the window that `dialog` belongs to take the keyboard back when the
// dialog closes, unless another of the application's windows has it by
// then. A window manager does that for a dialog with a parent; without one,
// the keyboard would go to no window at all, and the window's own keys
// (Escape, Ctrl+W) would stop working.
void returnKeyboardWhenClosed(QDialog *dialog);

} // namespace WindowPlacement
