// The numbers of a capture: alignment, the display under a selection, the
// selection in device pixels and the pixels taken from the grabbed screen.

#include "CaptureTestSupport.h"
#include "capture/ScreenshotManager.h"
#include "support/FakeScreenSource.h"

#include <gtest/gtest.h>

using namespace CaptureTestSupport;

TEST(CaptureArithmeticTest, AlignedDownTruncatesToMultiplesOfSixteenButNeverBelowSixteen)
{
    const std::pair<qreal, int> cases[] = {
        { 0, 16 },
        { 15.9, 16 },
        { 16, 16 },
        { 31.99, 16 },
        { 32, 32 },
        { 100.7, 96 },
        { 1000.5, 992 },
    };
    for (const auto &[value, aligned] : cases)
        EXPECT_EQ(ScreenshotManager::alignedDown(value), aligned) << value;
}

TEST(CaptureArithmeticTest, DisplayForPointTakesTheDisplayHoldingItElseTheFirst)
{
    const ScreenDisplay left = FakeScreenSource::display(QStringLiteral("left"), QRectF(0, 0, 800, 600));
    const ScreenDisplay right
        = FakeScreenSource::display(QStringLiteral("right"), QRectF(800, 0, 640, 480), 2);
    const QList<ScreenDisplay> displays { left, right };

    const std::pair<QPointF, ScreenDisplay> cases[] = {
        { { 10, 10 }, left },
        { { 799.5, 599.5 }, left },
        { { 800, 0 }, right }, // the left and top edges belong to the display
        { { 1439.9, 479.9 }, right },
        { { 1440, 100 }, left }, // the right edge does not: on no display
        { { 900, 480 }, left }, // below the right display
        { { -1, -1 }, left },
    };
    for (const auto &[point, expected] : cases)
        EXPECT_EQ(ScreenshotManager::displayForPoint(point, displays), expected)
            << point.x() << "," << point.y();

    EXPECT_EQ(ScreenshotManager::displayForPoint({ 10, 10 }, {}), std::nullopt);
}

TEST(CaptureArithmeticTest, RegionMeasuresTheSelectionInDevicePixelsClippedThenAligned)
{
    struct Case
    {
        const char *name;
        QRectF selection;
        ScreenDisplay display;
        QRectF pixelRect;
        QSize size;
        QRect source;
        QSizeF points;
    };
    const ScreenDisplay scale1 = FakeScreenSource::display(QStringLiteral("a"), QRectF(0, 0, 800, 600));
    const ScreenDisplay scale2 = FakeScreenSource::display(QStringLiteral("b"), QRectF(0, 0, 800, 600), 2);
    const ScreenDisplay beside
        = FakeScreenSource::display(QStringLiteral("c"), QRectF(800, 100, 640, 480), 2);
    const ScreenDisplay rounded = FakeScreenSource::display(QStringLiteral("d"), QRectF(0, 0, 533, 533), 1.5);
    const Case cases[] = {
        { "scale 1: the last 4.7 and 2.2 points are cut off", QRectF(10, 20, 100.7, 50.2), scale1,
            QRectF(10, 20, 100.7, 50.2), QSize(96, 48), QRect(10, 20, 96, 48), QSizeF(96, 48) },
        { "scale 2: twice the pixels, the same points", QRectF(10, 20, 100.7, 50.2), scale2,
            QRectF(20, 40, 201.4, 100.4), QSize(192, 96), QRect(20, 40, 192, 96), QSizeF(96, 48) },
        { "11 points wide: 16 pixels taken", QRectF(100, 100, 11, 40), scale1, QRectF(100, 100, 11, 40),
            QSize(16, 32), QRect(100, 100, 16, 32), QSizeF(16, 32) },
        { "past the right and bottom edges: clipped before aligning", QRectF(700, 550, 200, 100), scale1,
            QRectF(700, 550, 100, 50), QSize(96, 48), QRect(700, 550, 96, 48), QSizeF(96, 48) },
        { "past the top-left corner", QRectF(-50, -30, 100, 100), scale2, QRectF(0, 0, 100, 140),
            QSize(96, 128), QRect(0, 0, 96, 128), QSizeF(48, 64) },
        { "narrow at the right edge: moved back onto the display", QRectF(788, 300, 40, 40), scale1,
            QRectF(788, 300, 12, 40), QSize(16, 32), QRect(784, 300, 16, 32), QSizeF(16, 32) },
        { "a display away from the origin", QRectF(850, 150, 64, 32), beside, QRectF(100, 100, 128, 64),
            QSize(128, 64), QRect(100, 100, 128, 64), QSizeF(64, 32) },
        // 800 pixels at 1.5 are 533⅓ logical pixels, which the screen rounds
        // to 533; the pixels are still the logical ones times 1.5.
        { "a fractional ratio on a rounded screen", QRectF(500, 10, 32, 32), rounded, QRectF(750, 15, 48, 48),
            QSize(48, 48), QRect(750, 15, 48, 48), QSizeF(32, 32) },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<CaptureRegion> region = ScreenshotManager::captureRegion(c.selection, c.display);
        ASSERT_TRUE(region.has_value());
        EXPECT_NEAR(region->pixelRect.x(), c.pixelRect.x(), 1e-9);
        EXPECT_NEAR(region->pixelRect.y(), c.pixelRect.y(), 1e-9);
        EXPECT_NEAR(region->pixelRect.width(), c.pixelRect.width(), 1e-9);
        EXPECT_NEAR(region->pixelRect.height(), c.pixelRect.height(), 1e-9);
        EXPECT_EQ(QSize(region->width, region->height), c.size);
        EXPECT_EQ(region->sourceRect(), c.source);
        EXPECT_EQ(region->pointSize(), c.points);
    }

    EXPECT_EQ(ScreenshotManager::captureRegion(QRectF(900, 100, 50, 50), scale1), std::nullopt)
        << "a selection that misses the display";
}

TEST(CaptureArithmeticTest, EdgesOnADevicePixelComeOutAsThatWholePixel)
{
    // A corner taken at a device pixel is a fraction of a logical pixel at
    // scales above 1; times the scale it must give that pixel back exactly,
    // or cutting to whole pixels moves it (1.9999 → 1) or narrows the
    // capture below a multiple of 16 (31.9999 → 16).
    struct Case
    {
        const char *name;
        QRectF logical;
        qreal scale;
        QRectF device;
    };
    const Case cases[] = {
        { "scale 2, odd device pixels", QRectF(300.5, 200.5, 160, 80.5), 2, QRectF(601, 401, 320, 161) },
        { "scale 1.5, thirds of a point", QRectF(305.0 / 1.5, 203.0 / 1.5, 320.0 / 1.5, 161.0 / 1.5), 1.5,
            QRectF(305, 203, 320, 161) },
        { "scale 1.25", QRectF(3.0 / 1.25, 7.0 / 1.25, 32.0 / 1.25, 48.0 / 1.25), 1.25,
            QRectF(3, 7, 32, 48) },
        { "between pixels, as a selection in logical pixels may be", QRectF(10, 20, 100.7, 50.2), 2,
            QRectF(20, 40, 201.4, 100.4) },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QRectF device = CaptureRegion::devicePixelRect(c.logical, c.scale, c.scale);
        EXPECT_NEAR(device.x(), c.device.x(), 1e-9);
        EXPECT_NEAR(device.y(), c.device.y(), 1e-9);
        EXPECT_NEAR(device.width(), c.device.width(), 1e-9);
        EXPECT_NEAR(device.height(), c.device.height(), 1e-9);
        if (c.device.toRect() == c.device) {
            EXPECT_EQ(device.x(), c.device.x()) << "exactly";
            EXPECT_EQ(device.right(), c.device.right()) << "exactly";
        }
    }

    // Through the capture: at 1.5 the region starts at the pixel the corner
    // was taken at and keeps its 320 pixels.
    const ScreenDisplay display = FakeScreenSource::display(QStringLiteral("a"), QRectF(0, 0, 800, 600), 1.5);
    const std::optional<CaptureRegion> region = ScreenshotManager::captureRegion(
        QRectF(305.0 / 1.5, 203.0 / 1.5, 320.0 / 1.5, 161.0 / 1.5), display);
    ASSERT_TRUE(region.has_value());
    EXPECT_EQ(region->sourceRect(), QRect(305, 203, 320, 160));
}

TEST(CaptureArithmeticTest, CaptureImageTakesTheRegionsPixelsAtTheDisplaysRatio)
{
    for (const qreal ratio : { 1.0, 2.0 }) {
        SCOPED_TRACE(ratio);
        const ScreenDisplay main
            = FakeScreenSource::display(QStringLiteral("main"), QRectF(0, 0, 800, 600), ratio);
        const QImage frame = patternFrame(main);

        const std::optional<QImage> image
            = ScreenshotManager::captureImage(QRectF(300, 260, 100.7, 50.2), main, frame);
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->size(),
            QSize(
                ScreenshotManager::alignedDown(100.7 * ratio), ScreenshotManager::alignedDown(50.2 * ratio)));
        EXPECT_EQ(image->devicePixelRatio(), ratio);
        EXPECT_EQ(image->deviceIndependentSize(), QSizeF(image->width() / ratio, image->height() / ratio));
        const QPoint origin = (QPointF(300, 260) * ratio).toPoint();
        for (const QPoint p : { QPoint(0, 0), QPoint(image->width() - 1, 0), QPoint(7, image->height() - 1) })
            EXPECT_EQ(image->pixel(p), patternPixel(origin.x() + p.x(), origin.y() + p.y()))
                << p.x() << "," << p.y();

        // Whatever lies under its centre, the rectangle is measured against
        // the pictured display, clipped to it.
        const std::optional<QImage> offScreen
            = ScreenshotManager::captureImage(QRectF(-40, -40, 60, 60), main, frame);
        ASSERT_TRUE(offScreen.has_value());
        EXPECT_EQ(offScreen->size(),
            QSize(ScreenshotManager::alignedDown(20 * ratio), ScreenshotManager::alignedDown(20 * ratio)));
        EXPECT_EQ(offScreen->pixel(0, 0), patternPixel(0, 0));
        const std::optional<QImage> overTheEdge
            = ScreenshotManager::captureImage(QRectF(700, 100, 300, 100), main, frame);
        ASSERT_TRUE(overTheEdge.has_value()) << "its centre lies past the right edge";
        EXPECT_EQ(overTheEdge->width(), ScreenshotManager::alignedDown(100 * ratio));
    }
}

TEST(CaptureArithmeticTest, CaptureImageFailsWithoutAPictureOrOutsideThePicturedDisplay)
{
    const ScreenDisplay main = FakeScreenSource::display(QStringLiteral("main"), QRectF(0, 0, 800, 600));
    const QImage frame = patternFrame(main);
    EXPECT_EQ(ScreenshotManager::captureImage(QRectF(100, 100, 200, 100), main, QImage()), std::nullopt)
        << "empty grab";
    EXPECT_EQ(ScreenshotManager::captureImage(QRectF(-400, -400, 300, 300), main, frame), std::nullopt)
        << "a selection that misses the display";
}
