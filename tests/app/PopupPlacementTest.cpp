#include "app/PopupPlacement.h"

#include <gtest/gtest.h>

namespace {

const QRect screen(0, 0, 1280, 800);
const QSize panel(282, 520);

} // namespace

TEST(PopupPlacementTest, HangsUnderTheIconInsideTheScreen)
{
    const struct
    {
        const char *where;
        QRect icon;
        QRect expected;
    } cases[] = {
        // A tray at the top right: under the icon, pushed in from the right edge.
        { "top right", QRect(1257, 1, 22, 30), QRect(QPoint(998, 35), panel) },
        // In the middle of a top panel: centred under the icon.
        { "top middle", QRect(620, 0, 24, 24), QRect(QPoint(490, 28), panel) },
        // At the top left: pushed in from the left edge.
        { "top left", QRect(2, 0, 24, 24), QRect(QPoint(0, 28), panel) },
        // A tray at the bottom: above the icon.
        { "bottom right", QRect(1250, 770, 24, 30), QRect(QPoint(998, 246), panel) },
    };
    for (const auto &c : cases)
        EXPECT_EQ(PopupPlacement::popupGeometry(panel, c.icon, screen), c.expected) << c.where;
}

TEST(PopupPlacementTest, StaysOnAScreenWithAnOriginOfItsOwnAndOnOneTooSmall)
{
    const QRect right(1280, 0, 1920, 1080);
    EXPECT_EQ(PopupPlacement::popupGeometry(panel, QRect(3180, 0, 20, 20), right),
        QRect(QPoint(3200 - 282, 24), panel));

    const QRect small(0, 0, 400, 300);
    EXPECT_EQ(
        PopupPlacement::popupGeometry(panel, QRect(390, 0, 10, 10), small), QRect(QPoint(118, 0), panel));
}

TEST(PopupPlacementTest, HangsFromThePointerOrTheTopRightCornerWhenTheIconIsNotKnown)
{
    EXPECT_EQ(PopupPlacement::anchor(QRect(1257, 1, 22, 30), QPoint(5, 5), screen), QRect(1257, 1, 22, 30));
    EXPECT_EQ(PopupPlacement::anchor(QRect(), QPoint(600, 10), screen), QRect(600, 10, 1, 1));
    EXPECT_EQ(PopupPlacement::anchor(QRect(), QPoint(-100, 900), screen), QRect(1279, 0, 1, 1));
    EXPECT_EQ(
        PopupPlacement::popupGeometry(panel, PopupPlacement::anchor(QRect(), QPoint(-1, -1), screen), screen),
        QRect(QPoint(998, 5), panel));
}
