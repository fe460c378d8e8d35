// The corners of a selection at the device pixels the pointer was at, at the
// scale the session runs at: the test runs at scale 1, and again with
// QT_SCALE_FACTOR 2 and 1.5 (see CMakeLists.txt).

#include "CaptureTestSupport.h"
#include "app/AppWiring.h"
#include "capture/ScreenSelectionView.h"
#include "capture/ScreenshotManager.h"
#include "support/FakeScreenSource.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

using namespace CaptureTestSupport;

namespace {

// The pointer at a device pixel of the window, as the window system reports
// it: in logical pixels, which at this scale are fractions.
void pointerEvent(QWindow *window, QPoint devicePixel, QEvent::Type type, Qt::MouseButtons buttons)
{
    const QPointF logical = QPointF(devicePixel) / window->devicePixelRatio();
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    static int timestamp = 0;
    timestamp += 20;
    qt_handleMouseEvent(window, logical, window->mapToGlobal(logical), buttons, button, type, {}, timestamp);
    QCoreApplication::processEvents();
}

} // namespace

TEST(SelectionCornersTest, ASelectionStartsAtTheDevicePixelTheDragStartedAt)
{
    AppWiring::install();
    QScreen *screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen->devicePixelRatio();
    FakeScreenSource screens;
    const ScreenDisplay main = FakeScreenSource::display(QStringLiteral("main"), screen->geometry(), ratio);
    screens.addDisplay(main, patternFrame(main));

    ScreenshotManager &manager = ScreenshotManager::shared();
    manager.startScreenshotSelection();
    ASSERT_TRUE(
        QTest::qWaitFor([] { return visibleWindow(KeyableOverlayWindow::Level::ScreenSaver); }, 2000));
    QWindow *window = visibleWindow(KeyableOverlayWindow::Level::ScreenSaver)->windowHandle();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->devicePixelRatio(), ratio);

    // (305, 203) is odd, and at 1.5 no whole logical pixel lands on it: a
    // corner rounded to logical pixels would miss it at either scale.
    const QPoint corner(305, 203);
    const QSize dragged(320, 161); // device pixels
    pointerEvent(window, corner - QPoint(3, 3), QEvent::MouseButtonPress, Qt::LeftButton);
    pointerEvent(window, corner, QEvent::MouseMove, Qt::LeftButton);
    pointerEvent(window, corner + QPoint(160, 80), QEvent::MouseMove, Qt::LeftButton);
    pointerEvent(
        window, corner + QPoint(dragged.width(), dragged.height()), QEvent::MouseMove, Qt::LeftButton);
    pointerEvent(window, corner + QPoint(dragged.width(), dragged.height()), QEvent::MouseButtonRelease, {});

    ASSERT_TRUE(manager.screenshotImage().has_value());
    const QImage image = *manager.screenshotImage();
    EXPECT_EQ(image.size(),
        QSize(ScreenshotManager::alignedDown(dragged.width()),
            ScreenshotManager::alignedDown(dragged.height())));
    EXPECT_EQ(image.pixel(0, 0), patternPixel(corner.x(), corner.y()))
        << "took " << qRed(image.pixel(0, 0)) << "," << qGreen(image.pixel(0, 0));
    EXPECT_EQ(image.devicePixelRatio(), ratio);

    manager.closeOverlay();
    deleteClosedWindows();
}
