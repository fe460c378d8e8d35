#include "platform/PngEncoder.h"

#include "PngSamples.h"

#include <QScopeGuard>
#include <QSemaphore>
#include <QThreadPool>

#include <gtest/gtest.h>
#include <memory>

namespace {

void expectSamePixels(const QImage &decoded, const QImage &original)
{
    ASSERT_FALSE(decoded.isNull());
    ASSERT_EQ(decoded.size(), original.size());
    const QImage::Format common
        = keepsSixteenBitChannels(original.format()) ? QImage::Format_RGBA64 : QImage::Format_ARGB32;
    EXPECT_TRUE(decoded.convertToFormat(common) == original.convertToFormat(common));
}

PngSample sampleNamed(const QString &name)
{
    for (const PngSample &sample : pngSamples()) {
        if (sample.name == name)
            return sample;
    }
    return {};
}

} // namespace

TEST(PngEncoderTest, EverySampleDecodesToTheSamePixels)
{
    for (const PngSample &sample : pngSamples()) {
        SCOPED_TRACE(sample.name.toStdString());
        const QByteArray png = PngEncoder::encode(sample.image);
        ASSERT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
        expectSamePixels(QImage::fromData(png, "PNG"), sample.image);
    }
}

// The encoder runs on a pool thread when the AI client asks for it in the
// background; with every other thread of the pool busy it must do all the
// pieces itself rather than wait for help that never comes.
TEST(PngEncoderTest, EncodesInPiecesWhileEveryOtherPoolThreadIsBusy)
{
    const QImage image = sampleNamed(QStringLiteral("pieces")).image;
    ASSERT_FALSE(image.isNull());
    QThreadPool *pool = QThreadPool::globalInstance();
    const int others = pool->maxThreadCount() - 1;
    // Held by the tasks too: a task may still be inside a semaphore's call
    // when the test has seen what it waits for.
    struct Signals
    {
        QSemaphore started;
        QSemaphore release;
        QSemaphore encoded;
        QByteArray png;
    };
    const auto shared = std::make_shared<Signals>();
    for (int i = 0; i < others; ++i) {
        pool->start([shared] {
            shared->started.release();
            shared->release.acquire();
        });
    }
    const auto unblock = qScopeGuard([&] { shared->release.release(others); });
    ASSERT_TRUE(shared->started.tryAcquire(others, 30'000));

    pool->start([shared, image] {
        shared->png = PngEncoder::encode(image);
        shared->encoded.release();
    });
    ASSERT_TRUE(shared->encoded.tryAcquire(1, 60'000));
    expectSamePixels(QImage::fromData(shared->png, "PNG"), image);
}
