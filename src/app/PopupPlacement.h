#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where the tray panel appears: hanging from the tray icon, inside the
// screen's free area.
namespace PopupPlacement {

// The space between the icon and the panel.
inline constexpr int gap = 4;

// What the panel hangs from: the tray icon where its place is known, else
// the pointer when it is inside `area`, else the area's top-right corner
// (where a tray usually sits).
QRect anchor(const QRect &iconGeometry, const QPoint &cursor, const QRect &area);

// The panel's rectangle for its size: centred under the anchor, or above it
// when there is no room below, then moved as little as needed to lie inside
// `area`. A panel larger than the area keeps its top-left corner inside it.
QRect popupGeometry(const QSize &size, const QRect &anchor, const QRect &area);

} // namespace PopupPlacement
