#include "PngSamples.h"

#include "platform/PngEncoder.h"

#include <QRandomGenerator>

namespace {

enum class Content { Mixed, Photo, Noise, Flat };

// Mixed: gradients, stripes, text-like edges and noisy patches; Photo: smooth
// shading with grain. Between them every row filter wins somewhere. Alpha
// changes across the image where the format has it.
QImage filled(QSize size, QImage::Format format, Content content)
{
    QImage image(size, QImage::Format_ARGB32);
    QRandomGenerator random(size.width() * 7919 + size.height());
    const bool alpha = QImage(1, 1, format).hasAlphaChannel();
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int noise = int(random.bounded(256));
            int r = 0, g = 0, b = 0, a = 255;
            switch (content) {
            case Content::Flat:
                r = 40, g = 90, b = 200, a = alpha ? 128 : 255;
                break;
            case Content::Photo: // smooth shading with grain, where Paeth and Average win
                r = (x + 2 * y) / 3 % 256 + noise % 5;
                g = (x * y / 97) % 200 + noise % 3;
                b = 128 + (x - y) % 100 + noise % 7;
                a = alpha ? 255 - (x + y) % 256 : 255;
                break;
            case Content::Noise:
                r = noise, g = int(random.bounded(256)), b = int(random.bounded(256));
                a = alpha ? int(random.bounded(256)) : 255;
                break;
            case Content::Mixed:
                r = (x * 3) & 255;
                g = (y / 4) % 2 ? 250 : (y * 5) & 255;
                b = (x / 7 + y / 5) % 3 == 0 ? 20 : 230;
                if ((x / 16 + y / 16) % 5 == 0)
                    r = g = b = noise;
                a = alpha ? (x * 11 + y * 3) & 255 : 255;
                break;
            }
            line[x] = qRgba(r, g, b, a);
        }
    }
    return image.convertToFormat(format);
}

// The height at which the rows of an 8-bit image of this width fill one
// piece exactly.
int rowsPerPiece(int width, int bytesPerPixel)
{
    return int(PngEncoder::bytesPerPiece / (qsizetype(width) * bytesPerPixel + 1));
}

} // namespace

QList<PngSample> pngSamples()
{
    QList<PngSample> samples;
    const struct
    {
        const char *name;
        QImage::Format format;
    } formats[] = {
        { "rgb32", QImage::Format_RGB32 },
        { "argb32", QImage::Format_ARGB32 },
        { "argb32-premultiplied", QImage::Format_ARGB32_Premultiplied },
        { "rgb888", QImage::Format_RGB888 },
        { "bgr888", QImage::Format_BGR888 },
        { "rgbx8888", QImage::Format_RGBX8888 },
        { "rgba8888", QImage::Format_RGBA8888 },
        { "rgba8888-premultiplied", QImage::Format_RGBA8888_Premultiplied },
        { "rgb16", QImage::Format_RGB16 },
        { "rgb444", QImage::Format_RGB444 },
        { "argb4444-premultiplied", QImage::Format_ARGB4444_Premultiplied },
        { "grayscale8", QImage::Format_Grayscale8 },
        { "indexed8", QImage::Format_Indexed8 },
        { "mono", QImage::Format_Mono },
        { "alpha8", QImage::Format_Alpha8 },
        { "rgba64", QImage::Format_RGBA64 },
        { "rgbx64", QImage::Format_RGBX64 },
        { "rgba64-premultiplied", QImage::Format_RGBA64_Premultiplied },
        { "grayscale16", QImage::Format_Grayscale16 },
        { "rgb30", QImage::Format_RGB30 },
    };
    for (const auto &[name, format] : formats)
        samples.append({ QString::fromLatin1(name), filled(QSize(61, 47), format, Content::Mixed) });

    const int rgbRows = rowsPerPiece(1001, 3);
    const int rgbaRows = rowsPerPiece(523, 4);
    const struct
    {
        const char *name;
        QSize size;
        QImage::Format format;
        Content content;
    } shapes[] = {
        { "one-pixel", { 1, 1 }, QImage::Format_RGB32, Content::Mixed },
        { "one-row", { 1000, 1 }, QImage::Format_RGB32, Content::Mixed },
        { "one-column", { 1, 300 }, QImage::Format_RGB32, Content::Mixed },
        { "one-piece", { 1001, rgbRows }, QImage::Format_RGB32, Content::Mixed },
        { "one-piece-and-a-row", { 1001, rgbRows + 1 }, QImage::Format_RGB32, Content::Mixed },
        { "pieces", { 1001, 3 * rgbRows + 7 }, QImage::Format_RGB32, Content::Mixed },
        { "pieces-of-photo", { 1001, 2 * rgbRows + 7 }, QImage::Format_RGB32, Content::Photo },
        { "alpha-photo", { 300, 200 }, QImage::Format_ARGB32, Content::Photo },
        { "pieces-of-noise", { 1001, 2 * rgbRows + 7 }, QImage::Format_RGB32, Content::Noise },
        { "pieces-of-one-colour", { 1001, 3 * rgbRows + 7 }, QImage::Format_RGB32, Content::Flat },
        { "alpha-one-piece", { 523, rgbaRows }, QImage::Format_ARGB32, Content::Mixed },
        { "alpha-pieces", { 523, 2 * rgbaRows + 1 }, QImage::Format_ARGB32, Content::Mixed },
        { "rows-longer-than-a-piece", { 180000, 3 }, QImage::Format_RGB32, Content::Mixed },
    };
    for (const auto &[name, size, format, content] : shapes)
        samples.append({ QString::fromLatin1(name), filled(size, format, content) });
    return samples;
}

bool keepsSixteenBitChannels(QImage::Format format)
{
    return format == QImage::Format_RGBA64 || format == QImage::Format_RGBX64
        || format == QImage::Format_RGBA64_Premultiplied || format == QImage::Format_Grayscale16;
}
