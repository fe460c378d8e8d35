#include "PngEncoder.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>

#include <cstring>
#include <libdeflate.h>
#include <memory>

namespace PngEncoder {

namespace {

// Fast enough for a 4K screenshot in well under a tenth of a second, and on
// screen content about as small as Qt's default (level 6, adaptive filters).
constexpr int compressionLevel = 2;

constexpr quint8 filterUp = 2;
constexpr quint8 colourTypeRgb = 2;
constexpr quint8 colourTypeRgba = 6;

bool hasAtMostEightBitChannels(QImage::Format format)
{
    switch (format) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGB16:
    case QImage::Format_ARGB8565_Premultiplied:
    case QImage::Format_RGB666:
    case QImage::Format_ARGB6666_Premultiplied:
    case QImage::Format_RGB555:
    case QImage::Format_ARGB8555_Premultiplied:
    case QImage::Format_RGB888:
    case QImage::Format_RGB444:
    case QImage::Format_ARGB4444_Premultiplied:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
    case QImage::Format_Alpha8:
    case QImage::Format_Grayscale8:
    case QImage::Format_BGR888:
        return true;
    default:
        return false;
    }
}

QByteArray encodeWithQt(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        return {};
    return bytes;
}

void appendChunk(QByteArray &png, const char type[4], const char *data, qsizetype size)
{
    char length[4];
    qToBigEndian(quint32(size), length);
    png.append(length, 4);
    const qsizetype start = png.size();
    png.append(type, 4);
    if (size > 0)
        png.append(data, size);
    const quint32 crc = libdeflate_crc32(0, png.constData() + start, size_t(png.size() - start));
    char crcBytes[4];
    qToBigEndian(crc, crcBytes);
    png.append(crcBytes, 4);
}

// The rows as the PNG stream holds them before compression: each row its
// filter byte, then the bytes of the row minus those of the row above.
class UpFilteredRows
{
public:
    UpFilteredRows(qsizetype rowBytes, int rows)
        : m_rowBytes(rowBytes)
        , m_data(std::make_unique_for_overwrite<quint8[]>(size_t((rowBytes + 1) * rows)))
        , m_size((rowBytes + 1) * rows)
    { }

    void setRow(int y, const quint8 *row, const quint8 *above)
    {
        quint8 *out = m_data.get() + (m_rowBytes + 1) * y;
        *out++ = filterUp;
        if (!above) {
            std::memcpy(out, row, size_t(m_rowBytes));
            return;
        }
        for (qsizetype i = 0; i < m_rowBytes; ++i)
            out[i] = quint8(row[i] - above[i]);
    }

    const quint8 *data() const { return m_data.get(); }
    qsizetype size() const { return m_size; }

private:
    qsizetype m_rowBytes;
    std::unique_ptr<quint8[]> m_data;
    qsizetype m_size;
};

// Opaque 32-bit pixels (the usual screen grab) go to RGB bytes one row at a
// time, which spares converting the whole image first.
UpFilteredRows filterRgb32(const QImage &image)
{
    const int width = image.width();
    const qsizetype rowBytes = qsizetype(width) * 3;
    UpFilteredRows rows(rowBytes, image.height());
    auto current = std::make_unique_for_overwrite<quint8[]>(size_t(rowBytes));
    auto previous = std::make_unique_for_overwrite<quint8[]>(size_t(rowBytes));
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *pixels = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        quint8 *out = current.get();
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = pixels[x];
            out[0] = quint8(qRed(pixel));
            out[1] = quint8(qGreen(pixel));
            out[2] = quint8(qBlue(pixel));
            out += 3;
        }
        rows.setRow(y, current.get(), y > 0 ? previous.get() : nullptr);
        std::swap(current, previous);
    }
    return rows;
}

UpFilteredRows filterBytes(const QImage &image, int bytesPerPixel)
{
    const qsizetype rowBytes = qsizetype(image.width()) * bytesPerPixel;
    UpFilteredRows rows(rowBytes, image.height());
    for (int y = 0; y < image.height(); ++y)
        rows.setRow(y, image.constScanLine(y), y > 0 ? image.constScanLine(y - 1) : nullptr);
    return rows;
}

} // namespace

QByteArray encode(const QImage &image)
{
    if (image.isNull())
        return {};
    if (!hasAtMostEightBitChannels(image.format()))
        return encodeWithQt(image);

    const bool alpha = image.hasAlphaChannel();
    const UpFilteredRows rows = !alpha && image.format() == QImage::Format_RGB32
        ? filterRgb32(image)
        : filterBytes(
            image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888), alpha ? 4 : 3);

    std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(compressionLevel), &libdeflate_free_compressor);
    if (!compressor)
        return {};
    const size_t bound = libdeflate_zlib_compress_bound(compressor.get(), size_t(rows.size()));

    QByteArray png;
    png.reserve(qsizetype(bound) + 64);
    png.append("\x89PNG\r\n\x1a\n", 8);

    char header[13];
    qToBigEndian(quint32(image.width()), header);
    qToBigEndian(quint32(image.height()), header + 4);
    header[8] = 8; // bits per channel
    header[9] = char(alpha ? colourTypeRgba : colourTypeRgb);
    header[10] = 0; // deflate
    header[11] = 0; // adaptive filtering, one filter type per row
    header[12] = 0; // not interlaced
    appendChunk(png, "IHDR", header, sizeof header);

    // The compressed stream is written straight into place behind the IDAT
    // chunk's length and type, then the two are filled in.
    const qsizetype chunkStart = png.size();
    png.resize(chunkStart + 8 + qsizetype(bound));
    char *stream = png.data() + chunkStart + 8;
    const size_t compressed
        = libdeflate_zlib_compress(compressor.get(), rows.data(), size_t(rows.size()), stream, bound);
    if (compressed == 0 || compressed > 0x7fffffff) // beyond what one chunk holds
        return encodeWithQt(image);
    qToBigEndian(quint32(compressed), png.data() + chunkStart);
    std::memcpy(png.data() + chunkStart + 4, "IDAT", 4);
    const quint32 crc = libdeflate_crc32(0, png.constData() + chunkStart + 4, compressed + 4);
    png.resize(chunkStart + 8 + qsizetype(compressed));
    char crcBytes[4];
    qToBigEndian(crc, crcBytes);
    png.append(crcBytes, 4);

    appendChunk(png, "IEND", nullptr, 0);
    png.squeeze();
    return png;
}

} // namespace PngEncoder
