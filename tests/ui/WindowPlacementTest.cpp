#include "ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

// A frame like a window manager's: a title bar and thin borders.
constexpr QMargins titled(4, 28, 4, 4);
constexpr QMargins borderless;
// The chat window's minimum without the sidebar, the settings window's and
// the onboarding window's (whose card keeps its width), as their views say.
constexpr QSize chatMinimum(686, 420);
constexpr QSize settingsMinimum(620, 360);
constexpr QSize onboardingMinimum(576, 300);

// The available area of a screen of `size` with a panel of 24 px along the
// top, as the test desktop has.
QRect belowPanel(QSize size, int x = 0)
{
    return QRect(x, 24, size.width(), size.height() - 24);
}

} // namespace

TEST(WindowPlacementTest, EveryWindowFitsInsideTheAvailableAreaWithItsFrame)
{
    struct Case
    {
        const char *name;
        QSize size;
        QSize minimum;
        QMargins frame;
        QRect area;
        QRect expected;
    };
    const Case cases[] = {
        // Room to spare: in the middle of the area.
        { "settings on 1440x900", { 900, 650 }, settingsMinimum, titled, belowPanel({ 1440, 900 }),
            { 270, 149, 900, 650 } },
        // The common laptop: the chat window is as high as the area allows,
        // its title bar just under the panel.
        { "chat on 1366x768", { 1200, 800 }, chatMinimum, titled, belowPanel({ 1366, 768 }),
            { 83, 52, 1200, 712 } },
        { "settings on 1366x768", { 900, 650 }, settingsMinimum, titled, belowPanel({ 1366, 768 }),
            { 233, 83, 900, 650 } },
        { "onboarding on 1366x768", { 576, 696 }, onboardingMinimum, borderless, belowPanel({ 1366, 768 }),
            { 395, 48, 576, 696 } },
        // Smaller than the windows on both sides.
        { "chat on 1024x600", { 1200, 800 }, chatMinimum, titled, belowPanel({ 1024, 600 }),
            { 4, 52, 1016, 544 } },
        { "settings on 1024x600", { 900, 650 }, settingsMinimum, titled, belowPanel({ 1024, 600 }),
            { 62, 52, 900, 544 } },
        { "onboarding on 1024x600", { 576, 696 }, onboardingMinimum, borderless, belowPanel({ 1024, 600 }),
            { 224, 24, 576, 576 } },
        // 1920x1080 at a scale of 2.
        { "chat on 960x540", { 1200, 800 }, chatMinimum, titled, belowPanel({ 960, 540 }),
            { 4, 52, 952, 484 } },
        { "settings on 960x540", { 900, 650 }, settingsMinimum, titled, belowPanel({ 960, 540 }),
            { 30, 52, 900, 484 } },
        { "onboarding on 960x540", { 576, 696 }, onboardingMinimum, borderless, belowPanel({ 960, 540 }),
            { 192, 24, 576, 516 } },
        // An area that does not start at the origin: a second screen.
        { "settings on a screen to the right", { 900, 650 }, settingsMinimum, titled,
            belowPanel({ 1024, 600 }, 1366), { 1428, 52, 900, 544 } },
    };
    for (const Case &c : cases) {
        const QRect placed = WindowPlacement::fit(c.size, c.minimum, c.frame, c.area);
        EXPECT_EQ(placed, c.expected) << c.name;
        EXPECT_TRUE(c.area.contains(placed.marginsAdded(c.frame))) << c.name << ": the frame leaves the area";
    }
}

TEST(WindowPlacementTest, AWindowThatCannotShrinkEnoughKeepsItsTitleBarOnScreen)
{
    // 800 px wide: narrower than the settings window's content can go, and
    // lower than the chat window's minimum height.
    const QRect area = belowPanel({ 800, 400 });
    const QRect settings = WindowPlacement::fit({ 900, 650 }, { 820, 360 }, titled, area);
    EXPECT_EQ(settings, QRect(4, 52, 820, 360)) << "as large as its content, the title bar at the area's top left";
    const QRect chat = WindowPlacement::fit({ 1200, 800 }, { 686, 420 }, titled, area);
    EXPECT_EQ(chat, QRect(4, 52, 792, 420)) << "as wide as the area, the title bar under the panel";
}

TEST(WindowPlacementTest, AvailableAreaIsThePrimaryScreens)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(WindowPlacement::availableArea(), screen->availableGeometry());
}

TEST(WindowPlacementTest, DescriptionWritesEveryNumberWithADecimal)
{
    EXPECT_EQ(WindowPlacement::describe(QRectF(390, 110, 500, 580)),
        QStringLiteral("(390.0, 110.0, 500.0, 580.0)"));
    EXPECT_EQ(WindowPlacement::describe(QRectF(-50, 0.5, 900.25, 650)),
        QStringLiteral("(-50.0, 0.5, 900.25, 650.0)"));
    EXPECT_EQ(WindowPlacement::describe(QSizeF(600, 412.5)), QStringLiteral("(600.0, 412.5)"));
}
