// Grabs of a real X server's screen, at scale 1 and with the session scaled
// by two: a window painted in known colours must show up at the device
// pixels its place in points gives.

#include "platform/ScreenGrabber.h"

#include <QPainter>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// Red on the left half, blue on the right.
class TwoColourWindow : public QWidget
{
public:
    TwoColourWindow()
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    { }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(0, 0, width() / 2, height(), Qt::red);
        painter.fillRect(width() / 2, 0, width() - width() / 2, height(), Qt::blue);
    }
};

} // namespace

TEST(ScreenGrabberX11Test, GrabShowsTheScreenAtDevicePixels)
{
    const std::optional<ScreenDisplay> main = ScreenGrabber::mainDisplay();
    ASSERT_TRUE(main.has_value());
    const qreal ratio = main->devicePixelRatio;

    const QRect window(100, 60, 200, 100); // points
    TwoColourWindow painted;
    painted.setGeometry(window);
    painted.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&painted));

    const auto pixelAt = [ratio](const QImage &image, qreal x, qreal y) {
        return image.pixelColor(qFloor(x * ratio), qFloor(y * ratio));
    };
    QImage image;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        image = ScreenGrabber::grabDisplay(*main);
        return pixelAt(image, 150, 110) == QColor(Qt::red);
    }));

    EXPECT_EQ(image.size(), QSize(main->pixelWidth, main->pixelHeight));
    EXPECT_EQ(image.devicePixelRatio(), ratio);
    EXPECT_EQ(image.deviceIndependentSize(), main->bounds.size());

    EXPECT_EQ(pixelAt(image, 250, 110), QColor(Qt::blue));
    // The window's corners, one device pixel inside and outside.
    const QPoint topLeft = window.topLeft() * ratio;
    const QPoint bottomRight = QPoint(window.right() + 1, window.bottom() + 1) * ratio;
    EXPECT_EQ(image.pixelColor(topLeft), QColor(Qt::red));
    EXPECT_NE(image.pixelColor(topLeft - QPoint(1, 1)), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(bottomRight - QPoint(1, 1)), QColor(Qt::blue));
    EXPECT_NE(image.pixelColor(bottomRight), QColor(Qt::blue));
}
