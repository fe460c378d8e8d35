#pragma once

#include <QColor>
#include <QLinearGradient>
#include <QRectF>

// The semantic colours that views draw with, in one place. Each has a light
// and a dark variant, chosen by the application palette's window colour.
// Materials are fixed translucent fills; nothing behind them is blurred.
namespace Palette {

// Whether the application palette is a dark one.
bool isDark();

// Label text, from ordinary to most subdued.
QColor primaryLabel();
QColor secondaryLabel();
QColor tertiaryLabel();
QColor quaternaryLabel();

// The system accent colours.
QColor blue();
QColor orange();
QColor green();
QColor red();
QColor yellow();
QColor purple();
QColor gray();

// The settings window's accent, the same in light and dark.
QColor settingsAccent();

// Backgrounds and lines.
QColor windowBackground();
QColor controlBackground();
QColor separator();

// The translucent materials, from most to least opaque.
QColor regularMaterial();
QColor thinMaterial();
QColor ultraThinMaterial();

// A material's fill at an opacity for a surface drawn straight over the
// screen. Nothing behind it is blurred, so it is never thinner than
// screenFillMinimumAlpha: whatever the screen shows behind it (text
// included) cannot read through what is drawn on it.
inline constexpr qreal screenFillMinimumAlpha = 0.98;
QColor screenFill(const QColor &material, qreal opacity);

// The colour at that opacity: its own alpha multiplied by it, so that
// withOpacity(Qt::black, 0.4) is black at 40 % and a material at 0.5 is half
// as dense as the material.
QColor withOpacity(QColor colour, qreal opacity);

// The colour `amount` of the way from `from` to `to` (0 gives from, 1 gives
// to), every component and the alpha alike.
QColor mix(const QColor &from, const QColor &to, qreal amount);

// The soft top-to-bottom gradient that a filled colour is given.
QLinearGradient standardGradient(const QColor &colour, const QRectF &rect);

} // namespace Palette
