#include "CaptureRegion.h"

#include <algorithm>
#include <cmath>

namespace {

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
