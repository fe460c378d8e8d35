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
