#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>

class QWidget;

// Where the windows that the application builds itself (onboarding, settings,
// chat) appear, and how they come to the front.
namespace WindowPlacement {

// The screen assumed when there is none to measure.
inline constexpr QSizeF fallbackScreenSize(1440, 900);

// The content rectangle of a window of `windowSize` in the middle of a screen
// of `screenSize`. Only the screen's size enters, not its origin.
QRectF contentRect(const QSizeF &windowSize, const QSizeF &screenSize);

// The same on the primary screen, or on the fallback screen when there is none.
QRectF contentRectOnPrimaryScreen(const QSizeF &windowSize);

// The rectangle as "(x, y, width, height)", every number with at least one
// decimal: "(390.0, 110.0, 500.0, 580.0)".
QString describe(const QRectF &rect);
// The size as "(width, height)" in the same way: "(600.0, 400.0)".
QString describe(const QSizeF &size);

// Moves the window so that it sits in the middle of the primary screen's
// available area, keeping its size. Does nothing when there is no screen.
void centre(QWidget *window);

// Shows the window above the others and gives it the keyboard focus.
void bringToFront(QWidget *window);

} // namespace WindowPlacement
