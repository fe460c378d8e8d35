#include "platform/ImageData.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {
QImage sampleImage(QImage::Format format)
{
    QImage image(37, 23, format);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y,
                QColor(x * 6, y * 11, (x * y) % 256, format == QImage::Format_ARGB32 ? (x * 7) % 256 : 255));
    }
    return image;
}
} // namespace

TEST(ImageDataTest, PngRoundTripKeepsEveryPixel)
{
    for (const QImage::Format format : { QImage::Format_ARGB32, QImage::Format_RGB32 }) {
        const QImage original = sampleImage(format);
        const QByteArray png = ImageData::pngData(original);
        ASSERT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));

        const QImage decoded = ImageData::imageFromPng(png);
        ASSERT_EQ(decoded.size(), original.size());
        EXPECT_EQ(
            decoded.convertToFormat(QImage::Format_ARGB32), original.convertToFormat(QImage::Format_ARGB32));
    }
}

TEST(ImageDataTest, NothingToEncodeOrDecodeGivesEmptyResults)
{
    EXPECT_TRUE(ImageData::pngData(QImage()).isEmpty());
    EXPECT_TRUE(ImageData::imageFromPng(QByteArray()).isNull());
    EXPECT_TRUE(ImageData::imageFromPng(QByteArray("not an image at all")).isNull());
    EXPECT_TRUE(
        ImageData::imageFromPng(ImageData::pngData(sampleImage(QImage::Format_RGB32)).left(40)).isNull());
}

TEST(ImageDataTest, EveryEightBitFormatDecodesToTheSamePixels)
{
    QImage source = sampleImage(QImage::Format_ARGB32);
    for (const QImage::Format format : { QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB888,
             QImage::Format_RGBA8888, QImage::Format_Grayscale8, QImage::Format_Indexed8,
             QImage::Format_RGB16, QImage::Format_Mono, QImage::Format_BGR888 }) {
        const QImage original = source.convertToFormat(format);
        const QImage decoded = ImageData::imageFromPng(ImageData::pngData(original));
        ASSERT_FALSE(decoded.isNull()) << format;
        EXPECT_EQ(
            decoded.convertToFormat(QImage::Format_ARGB32), original.convertToFormat(QImage::Format_ARGB32))
            << format;
    }
}

TEST(ImageDataTest, SixteenBitChannelsKeepTheirPrecision)
{
    QImage deep(5, 3, QImage::Format_RGBA64);
    for (int x = 0; x < deep.width(); ++x)
        deep.setPixelColor(x, 1, QColor::fromRgba64(QRgba64::fromRgba64(x * 1001, 65535 - x, 7, 65535)));
    const QImage decoded = ImageData::imageFromPng(ImageData::pngData(deep));
    EXPECT_EQ(decoded.convertToFormat(QImage::Format_RGBA64), deep);
}

TEST(ImageDataTest, TheLastImageIsEncodedOnce)
{
    const QImage image = sampleImage(QImage::Format_RGB32);
    const QByteArray first = ImageData::pngDataAsync(image).result();
    const QImage copy = image; // copies share the bytes too
    EXPECT_TRUE(ImageData::pngData(copy).isSharedWith(first));
    const QFuture<QByteArray> again = ImageData::pngDataAsync(image);
    EXPECT_TRUE(again.isFinished());
    EXPECT_TRUE(again.result().isSharedWith(first));

    QImage changed = image;
    changed.setPixelColor(0, 0, Qt::red);
    const QByteArray other = ImageData::pngData(changed);
    EXPECT_FALSE(other.isSharedWith(first));
    EXPECT_NE(other, first);
    EXPECT_TRUE(ImageData::pngData(changed).isSharedWith(other));
    EXPECT_EQ(ImageData::pngData(image), first); // encoded anew, to the same bytes
}

TEST(ImageDataTest, ACallerInAHurryWaitsForTheBackgroundEncoding)
{
    QImage large(2000, 1500, QImage::Format_RGB32);
    large.fill(QColor(200, 210, 220));
    QFuture<QByteArray> pending = ImageData::pngDataAsync(large);
    // A caller that needs the bytes right away waits for the same encoding.
    const QByteArray waited = ImageData::pngData(large);
    EXPECT_TRUE(waited.isSharedWith(pending.result()));
    EXPECT_EQ(ImageData::imageFromPng(waited), large);

    EXPECT_TRUE(ImageData::pngDataAsync(QImage()).result().isEmpty());
}
