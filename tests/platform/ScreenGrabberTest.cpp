#include "platform/ScreenGrabber.h"

#include "support/FakeScreenSource.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

// These run with the offscreen platform's single screen, with two screens of
// different pixel ratios, and with the whole session scaled by two.
TEST(ScreenGrabberScreensTest, DisplaysDescribeEveryScreenMainFirst)
{
    const QList<ScreenDisplay> displays = ScreenGrabber::displays();
    const QList<QScreen *> screens = QGuiApplication::screens();
    ASSERT_EQ(displays.size(), screens.size());
    ASSERT_FALSE(displays.isEmpty());
    EXPECT_EQ(displays.first().id, QGuiApplication::primaryScreen()->name());
    EXPECT_EQ(ScreenGrabber::mainDisplay(), displays.first());

    for (const QScreen *screen : screens) {
        SCOPED_TRACE(screen->name().toStdString());
        const auto display = std::find_if(displays.cbegin(), displays.cend(),
            [screen](const ScreenDisplay &d) { return d.id == screen->name(); });
        ASSERT_NE(display, displays.cend());
        EXPECT_EQ(display->bounds, QRectF(screen->geometry()));
        EXPECT_EQ(display->devicePixelRatio, screen->devicePixelRatio());
        EXPECT_EQ(display->pixelWidth, qRound(screen->geometry().width() * screen->devicePixelRatio()));
        EXPECT_EQ(display->pixelHeight, qRound(screen->geometry().height() * screen->devicePixelRatio()));
    }
}

TEST(ScreenGrabberScreensTest, GrabHasTheDisplaysPixelSizeAndRatio)
{
    for (const ScreenDisplay &display : ScreenGrabber::displays()) {
        SCOPED_TRACE(display.id.toStdString());
        const QImage image = ScreenGrabber::grabDisplay(display);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(display.pixelWidth, display.pixelHeight));
        EXPECT_EQ(image.devicePixelRatio(), display.devicePixelRatio);
        EXPECT_EQ(image.deviceIndependentSize(), display.bounds.size());
    }
}

TEST(ScreenGrabberScreensTest, DisplayThatIsGoneOrChangedGrabsNothing)
{
    ScreenDisplay gone = ScreenGrabber::displays().value(0);
    gone.id = QStringLiteral("unplugged");
    EXPECT_TRUE(ScreenGrabber::grabDisplay(gone).isNull());

    ScreenDisplay moved = ScreenGrabber::displays().value(0);
    moved.bounds.translate(10, 0);
    EXPECT_TRUE(ScreenGrabber::grabDisplay(moved).isNull());
}

TEST(ScreenGrabberSourceTest, InstalledSourceReplacesTheScreens)
{
    const QList<ScreenDisplay> real = ScreenGrabber::displays();
    {
        FakeScreenSource source;
        const ScreenDisplay main = FakeScreenSource::display(QStringLiteral("A"), QRectF(0, 0, 1440, 900), 2);
        const ScreenDisplay side = FakeScreenSource::display(QStringLiteral("B"), QRectF(1440, 0, 800, 600));
        const QImage frame = FakeScreenSource::filledFrame(main, Qt::red);
        source.addDisplay(main, frame);
        source.addDisplay(side, QImage());

        EXPECT_EQ(main.pixelWidth, 2880);
        EXPECT_EQ(main.pixelHeight, 1800);
        EXPECT_EQ(ScreenGrabber::displays(), QList<ScreenDisplay>({ main, side }));
        EXPECT_EQ(ScreenGrabber::mainDisplay(), main);

        const QImage grabbed = ScreenGrabber::grabDisplay(main);
        EXPECT_EQ(grabbed, frame);
        EXPECT_EQ(grabbed.deviceIndependentSize(), QSizeF(1440, 900));
        EXPECT_TRUE(ScreenGrabber::grabDisplay(side).isNull()) << "a grab that fails";
        EXPECT_EQ(source.grabCount(), 2);
    }
    EXPECT_EQ(ScreenGrabber::displays(), real);
}

TEST(ScreenGrabberSourceTest, NoDisplayMeansNoMainDisplay)
{
    FakeScreenSource source;
    EXPECT_TRUE(ScreenGrabber::displays().isEmpty());
    EXPECT_FALSE(ScreenGrabber::mainDisplay().has_value());
}
