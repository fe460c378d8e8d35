#include "AIManagerFixture.h"

#include "support/ThreadCpuTime.h"

#include <QLinearGradient>
#include <QRandomGenerator>
#include <QTimer>

namespace {

QImage screenSizedImage()
{
    QImage image(3840, 2160, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 3840, 2160);
    gradient.setColorAt(0, QColor(240, 244, 250));
    gradient.setColorAt(1, QColor(120, 140, 190));
    painter.fillRect(image.rect(), gradient);
    QFont font;
    font.setPixelSize(24);
    painter.setFont(font);
    for (int y = 40; y < 2160; y += 32)
        painter.drawText(
            60, y, QStringLiteral("Line %1 of a document that fills the screen with text").arg(y));
    painter.end();
    QRandomGenerator random(7);
    for (int y = 1200; y < 2000; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 2400; x < 3600; ++x)
            line[x] = qRgb((x / 5 + int(random.bounded(16))) % 256, (y / 4) % 256, (x + y) / 24 % 256);
    }
    return image;
}

} // namespace

// Encoding a screenshot takes a while; the GUI thread must not be the one
// waiting. Measured in the thread's own CPU time, so that a busy machine
// running other tests does not count.
TEST_F(AIManagerFixture, TheGuiThreadStaysResponsiveWhileA4KScreenshotIsSent)
{
    const QImage screenshot = screenSizedImage();
    std::chrono::nanoseconds longest { 0 };
    std::chrono::nanoseconds last = threadCpuTime();
    QTimer ticker;
    ticker.setInterval(2);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const std::chrono::nanoseconds now = threadCpuTime();
        longest = std::max(longest, now - last);
        last = now;
    });
    ticker.start();

    const AIResponse first
        = QCoro::waitFor(manager.analyzeImage(screenshot, QStringLiteral("What is this?")));
    const AIResponse followUp
        = QCoro::waitFor(manager.analyzeImageWithFollowUp(screenshot, QStringLiteral("And this?")));

    EXPECT_EQ(first.content, QStringLiteral("This is a test answer."));
    EXPECT_EQ(followUp.content, QStringLiteral("This is a test answer."));
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(longest).count(), 50);
    ASSERT_EQ(chatRequests().size(), 2);
    EXPECT_EQ(contentOf(chatRequests()[1])[1], contentOf(chatRequests()[0])[1]);
}
