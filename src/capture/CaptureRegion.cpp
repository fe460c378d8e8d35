#include "CaptureRegion.h"

#include <algorithm>
#include <cmath>

namespace {

// Far below a device pixel, far above the rounding error of a product of
// screen-sized numbers.
constexpr qreal onEdgeTolerance = 1e-6;

qreal onDevicePixelGrid(qreal value)
{
    const qreal whole = std::round(value);
    return std::abs(value - whole) < onEdgeTolerance ? whole : value;
}

int originInside(qreal origin, int length, int displayLength)
{
    const int start = int(std::floor(origin));
    return std::max(0, std::min(start, displayLength - length));
}

} // namespace

QRect CaptureRegion::sourceRect() const
{
    return QRect(originInside(pixelRect.x(), width, displayPixels.width()),
        originInside(pixelRect.y(), height, displayPixels.height()), width, height);
}

QRectF CaptureRegion::devicePixelRect(const QRectF &logical, qreal scaleX, qreal scaleY)
{
    const qreal left = onDevicePixelGrid(logical.left() * scaleX);
    const qreal top = onDevicePixelGrid(logical.top() * scaleY);
    const qreal right = onDevicePixelGrid(logical.right() * scaleX);
    const qreal bottom = onDevicePixelGrid(logical.bottom() * scaleY);
    return QRectF(left, top, right - left, bottom - top);
}
