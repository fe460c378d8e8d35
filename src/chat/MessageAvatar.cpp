#include "MessageAvatar.h"

#include "ui/SymbolImage.h"

namespace {

BubbleFrame::Look discLook(const QColor &fill, bool gradient)
{
    const int padding = (MessageAvatar::side - MessageAvatar::symbolSize) / 2;
    BubbleFrame::Look look;
    look.fill = fill;
    look.gradient = gradient;
    look.cornerRadius = MessageAvatar::side / 2.0;
    look.padding = QMargins(padding, padding, padding, padding);
    return look;
}

} // namespace

MessageAvatar::MessageAvatar(const QColor &fill, bool gradient, const QColor &symbolColour, QWidget *parent)
    : BubbleFrame(new SymbolImage(QStringLiteral("sparkles"), symbolColour, symbolSize, symbolSize),
        discLook(fill, gradient), parent)
{
    setFixedSize(side, side);
}
