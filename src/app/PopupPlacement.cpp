#include "PopupPlacement.h"

#include <algorithm>

namespace PopupPlacement {

QRect anchor(const QRect &iconGeometry, const QPoint &cursor, const QRect &area)
{
    if (!iconGeometry.isEmpty())
        return iconGeometry;
    if (area.contains(cursor))
        return QRect(cursor, QSize(1, 1));
    return QRect(area.topRight(), QSize(1, 1));
}

QRect popupGeometry(const QSize &size, const QRect &anchor, const QRect &area)
{
    QRect popup(QPoint(), size);
    popup.moveLeft(anchor.center().x() - size.width() / 2);
    const int below = anchor.bottom() + 1 + gap;
    const int above = anchor.top() - gap - size.height();
    const bool fitsBelow = below + size.height() <= area.bottom() + 1;
    popup.moveTop(fitsBelow || above < area.top() ? below : above);

    popup.moveLeft(std::max(area.left(), std::min(popup.left(), area.right() + 1 - size.width())));
    popup.moveTop(std::max(area.top(), std::min(popup.top(), area.bottom() + 1 - size.height())));
    return popup;
}

} // namespace PopupPlacement
