#pragma once

#include "BubbleFrame.h"

// The assistant's avatar beside its messages: a disc 28 × 28 with the
// sparkles symbol, 12 pixels, in its middle.
class MessageAvatar : public BubbleFrame
{
    Q_OBJECT

public:
    static constexpr int side = 28;
    static constexpr int symbolSize = 12;

    // The disc's fill (as the soft gradient of that colour when asked) and
    // the symbol's colour.
    MessageAvatar(const QColor &fill, bool gradient, const QColor &symbolColour, QWidget *parent = nullptr);
};
