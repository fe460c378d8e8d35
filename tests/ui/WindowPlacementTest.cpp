#include "ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

TEST(WindowPlacementTest, ContentRectangleSitsInTheMiddleOfTheScreensSize)
{
    struct Case
    {
        QSizeF window;
        QSizeF screen;
        QRectF expected;
    };
    const Case cases[] = {
        { { 500, 580 }, { 1280, 800 }, { 390, 110, 500, 580 } },
        { { 900, 650 }, { 1440, 900 }, { 270, 125, 900, 650 } },
        { { 500, 580 }, { 1281, 801 }, { 390.5, 110.5, 500, 580 } },
        // A window larger than the screen starts left of and above it.
        { { 900, 650 }, { 800, 600 }, { -50, -25, 900, 650 } },
    };
    for (const Case &c : cases)
        EXPECT_EQ(WindowPlacement::contentRect(c.window, c.screen), c.expected);
}

TEST(WindowPlacementTest, PrimaryScreenGivesTheSizeAndNotTheOrigin)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(WindowPlacement::contentRectOnPrimaryScreen(QSizeF(500, 580)),
        WindowPlacement::contentRect(QSizeF(500, 580), QSizeF(screen->geometry().size())));
}

TEST(WindowPlacementTest, DescriptionWritesEveryNumberWithADecimal)
{
    EXPECT_EQ(WindowPlacement::describe(QRectF(390, 110, 500, 580)),
        QStringLiteral("(390.0, 110.0, 500.0, 580.0)"));
    EXPECT_EQ(WindowPlacement::describe(QRectF(-50, 0.5, 900.25, 650)),
        QStringLiteral("(-50.0, 0.5, 900.25, 650.0)"));
    EXPECT_EQ(WindowPlacement::describe(QSizeF(600, 412.5)), QStringLiteral("(600.0, 412.5)"));
}

TEST(WindowPlacementTest, CentringUsesThePrimaryScreensAvailableArea)
{
    QWidget window;
    window.resize(300, 200);
    WindowPlacement::centre(&window);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window.geometry().center(), area.center());
    EXPECT_EQ(window.size(), QSize(300, 200));
}
