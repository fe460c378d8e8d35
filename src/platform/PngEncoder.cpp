#include "PngEncoder.h"

#include "DeflateLayout.h"

#include <QBuffer>
#include <QImageWriter>
#include <QThreadPool>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>
#include <zlib.h>

namespace PngEncoder {

namespace {

// On screen content libdeflate's level 6 writes a few per cent less than
// zlib's default level, which Qt uses, in a third of the time; the higher
// levels win little more for twice the time and beyond.
constexpr int compressionLevel = 6;

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

// The image's rows in the byte order of the PNG: RGB, or RGBA when it has
// an alpha channel.
class PngRows
{
public:
    explicit PngRows(const QImage &image)
        : m_alpha(image.hasAlphaChannel())
        // Opaque 32-bit pixels (the usual screen grab) are packed to RGB one
        // row at a time, which spares converting the whole image first.
        , m_packRgb32(!m_alpha && image.format() == QImage::Format_RGB32)
        , m_image(m_packRgb32
                  ? image
                  : image.convertToFormat(m_alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888))
    { }

    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    int bytesPerPixel() const { return m_alpha ? 4 : 3; }
    qsizetype rowBytes() const { return qsizetype(width()) * bytesPerPixel(); }
    bool hasAlpha() const { return m_alpha; }
    bool isNull() const { return m_image.isNull(); }

    void read(int y, quint8 *out) const
    {
        if (!m_packRgb32) {
            std::memcpy(out, m_image.constScanLine(y), size_t(rowBytes()));
            return;
        }
        const QRgb *pixels = reinterpret_cast<const QRgb *>(m_image.constScanLine(y));
        for (int x = 0, w = width(); x < w; ++x) {
            const QRgb pixel = pixels[x];
            out[0] = quint8(qRed(pixel));
            out[1] = quint8(qGreen(pixel));
            out[2] = quint8(qBlue(pixel));
            out += 3;
        }
    }

private:
    bool m_alpha;
    bool m_packRgb32;
    QImage m_image;
};

enum FilterType : quint8 { filterNone, filterSub, filterUp, filterAverage, filterPaeth, filterCount };

// Writes one filter's bytes for a row and returns their sum of absolute
// values read as signed bytes, the usual estimate of how well they will
// compress. `row` and `above` are preceded by one pixel of zeros, so that the
// first pixel's left neighbours need no case of their own, and all three
// arrays are apart, which lets the compiler turn the loop into vector code.
template<typename Predictor>
[[gnu::always_inline]] inline quint32 applyFilter(quint8 *__restrict out, const quint8 *__restrict row,
    const quint8 *__restrict above, qsizetype size, int bytesPerPixel, Predictor predict)
{
    quint32 sum = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const quint8 value
            = quint8(row[i] - predict(row[i - bytesPerPixel], above[i], above[i - bytesPerPixel]));
        out[i] = value;
        sum += std::min<quint8>(value, quint8(-value));
    }
    return sum;
}

// The Paeth predictor: of the left, upper and upper-left neighbours, the one
// closest to left + upper - upper-left. The distances are |up - upLeft|,
// |left - upLeft| and the absolute sum of those two differences; all are
// worked out in bytes (a sum past 255 may stop there, as it is then the
// largest anyway) and chosen with selects, so that vectors hold 16 or 32
// pixels' bytes at once.
inline quint8 paethPredictor(quint8 left, quint8 up, quint8 upLeft)
{
    const quint8 towardsLeft = std::max(up, upLeft) - std::min(up, upLeft);
    const quint8 towardsUp = std::max(left, upLeft) - std::min(left, upLeft);
    const bool sameDirection = (up >= upLeft) == (left >= upLeft);
    const auto sum = quint8(std::min(towardsLeft + towardsUp, 255));
    const auto difference = quint8(std::max(towardsLeft, towardsUp) - std::min(towardsLeft, towardsUp));
    const quint8 towardsUpLeft = sameDirection ? sum : difference; // both worked out: no branch
    const quint8 upOrUpLeft = towardsUp <= towardsUpLeft ? up : upLeft;
    return towardsLeft <= towardsUp && towardsLeft <= towardsUpLeft ? left : upOrUpLeft;
}

// Processors with 256-bit vectors filter rows about twice as fast; which
// version runs is settled once, when the program is loaded.
#if defined(__x86_64__) && defined(__has_attribute)
#if __has_attribute(target_clones)
#define PNG_FILTER_VERSIONS __attribute__((target_clones("avx2", "default")))
#endif
#endif
#ifndef PNG_FILTER_VERSIONS
#define PNG_FILTER_VERSIONS
#endif

// Writes the filter type and the bytes of the filter with the smallest sum
// for `row` to `out`; `candidates` has room for a row of each filter.
PNG_FILTER_VERSIONS
void filterRow(const quint8 *row, const quint8 *above, qsizetype rowBytes, int bytesPerPixel,
    quint8 *candidates, quint8 *out)
{
    const qsizetype n = rowBytes;
    const int bpp = bytesPerPixel;
    const auto candidate = [&](FilterType type) { return candidates + n * type; };
    quint32 sums[filterCount];
    sums[filterNone]
        = applyFilter(candidate(filterNone), row, above, n, bpp, [](quint8, quint8, quint8) { return 0; });
    sums[filterSub]
        = applyFilter(candidate(filterSub), row, above, n, bpp, [](quint8 a, quint8, quint8) { return a; });
    sums[filterUp]
        = applyFilter(candidate(filterUp), row, above, n, bpp, [](quint8, quint8 b, quint8) { return b; });
    sums[filterAverage] = applyFilter(candidate(filterAverage), row, above, n, bpp,
        [](quint8 a, quint8 b, quint8) { return (a + b) >> 1; });
    sums[filterPaeth] = applyFilter(candidate(filterPaeth), row, above, n, bpp,
        [](quint8 a, quint8 b, quint8 c) { return paethPredictor(a, b, c); });
    const auto best = FilterType(std::min_element(sums, sums + filterCount) - sums);
    out[0] = best;
    std::memcpy(out + 1, candidate(best), size_t(n));
}

// libdeflate writes every stream with its last block marked final, after
// which a decoder stops, and it cannot flush: a piece that others follow must
// end without that mark and on a byte boundary. The piece's block layout is
// read back (a walk over its codes, a fraction of the cost of inflating it),
// the last block's final bit is cleared, and an empty stored block, the
// marker that a sync flush writes, brings the stream to a byte boundary.
// This keeps libdeflate's smaller output at its speed; zlib's deflate, which
// can flush, compresses these rows only to about Qt's size (the same method)
// in three times libdeflate's time. Returns the new size, or 0 when the
// stream cannot be read back. `stream` must have room for 5 more bytes.
size_t endWithoutFinalBlock(quint8 *stream, size_t size)
{
    const std::optional<DeflateLayout> layout = DeflateLayout::read(stream, qsizetype(size));
    if (!layout || size_t((layout->endBit + 7) / 8) != size)
        return 0;
    const auto finalBit = quint8(1 << (layout->lastBlockBit % 8));
    quint8 &header = stream[layout->lastBlockBit / 8];
    if (!(header & finalBit))
        return 0;
    header &= quint8(~finalBit);

    // The stored block's three header bits (not final, type 0) are zeros;
    // they go into the last byte's unused bits when they fit.
    const int unusedBits = int(size * 8 - size_t(layout->endBit));
    stream[size - 1] &= quint8(0xff >> unusedBits);
    if (unusedBits < 3)
        stream[size++] = 0;
    for (const quint8 byte : { 0x00, 0x00, 0xff, 0xff }) // length 0 and its complement
        stream[size++] = byte;
    return size;
}

// Rows [firstRow, endRow) filtered and compressed into raw deflate blocks.
struct Piece
{
    int firstRow = 0;
    int endRow = 0;
    std::unique_ptr<quint8[]> deflated;
    size_t deflatedSize = 0; // 0 when compressing failed
    qsizetype filteredSize = 0;
    quint32 adler = 1; // Adler-32 of the filtered rows
};

void compressPiece(const PngRows &rows, Piece &piece, bool last)
{
    const qsizetype rowBytes = rows.rowBytes();
    const int bpp = rows.bytesPerPixel();
    piece.filteredSize = (rowBytes + 1) * (piece.endRow - piece.firstRow);
    auto filtered = std::make_unique_for_overwrite<quint8[]>(size_t(piece.filteredSize));

    // Two rows of source bytes, each behind a pixel of zeros; the row above
    // the first is read too, also when it lies in the piece before.
    const qsizetype paddedRow = bpp + rowBytes;
    auto rowBuffers = std::make_unique<quint8[]>(size_t(2 * paddedRow));
    quint8 *above = rowBuffers.get() + bpp;
    quint8 *current = above + paddedRow;
    if (piece.firstRow > 0)
        rows.read(piece.firstRow - 1, above);
    else
        std::memset(above, 0, size_t(rowBytes));
    auto candidates = std::make_unique_for_overwrite<quint8[]>(size_t(rowBytes * filterCount));
    quint8 *out = filtered.get();
    for (int y = piece.firstRow; y < piece.endRow; ++y) {
        rows.read(y, current);
        filterRow(current, above, rowBytes, bpp, candidates.get(), out);
        out += rowBytes + 1;
        std::swap(current, above);
    }
    piece.adler = libdeflate_adler32(1, filtered.get(), size_t(piece.filteredSize));

    std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(compressionLevel), &libdeflate_free_compressor);
    if (!compressor)
        return;
    const size_t bound = libdeflate_deflate_compress_bound(compressor.get(), size_t(piece.filteredSize)) + 5;
    piece.deflated = std::make_unique_for_overwrite<quint8[]>(bound);
    const size_t size = libdeflate_deflate_compress(
        compressor.get(), filtered.get(), size_t(piece.filteredSize), piece.deflated.get(), bound - 5);
    piece.deflatedSize = (size == 0 || last) ? size : endWithoutFinalBlock(piece.deflated.get(), size);
}

// Calls work(i) for every i below count, on the calling thread and on as many
// idle threads of the global pool as help. The caller takes part, so that it
// never waits for work that no thread has started (it may itself run on the
// pool, with every other thread busy).
template<typename Work> void forEachInParallel(int count, const Work &work)
{
    struct Progress
    {
        std::atomic<int> next = 0;
        std::atomic<int> done = 0;
        std::mutex mutex;
        std::condition_variable finished;
    };
    const auto progress = std::make_shared<Progress>();
    // A helper that starts after everything is taken touches only `progress`.
    const auto drain = [progress, count, &work] {
        for (int i; (i = progress->next++) < count;) {
            work(i);
            if (++progress->done == count) {
                std::lock_guard lock(progress->mutex);
                progress->finished.notify_all();
            }
        }
    };
    QThreadPool *pool = QThreadPool::globalInstance();
    for (int helpers = std::min(count - 1, pool->maxThreadCount()); helpers > 0; --helpers) {
        if (!pool->tryStart(drain))
            break;
    }
    drain();
    std::unique_lock lock(progress->mutex);
    progress->finished.wait(lock, [&] { return progress->done == count; });
}

} // namespace

QByteArray encode(const QImage &image)
{
    if (image.isNull())
        return {};
    if (!hasAtMostEightBitChannels(image.format()))
        return encodeWithQt(image);
    const PngRows rows(image);
    if (rows.isNull())
        return {};

    const int rowsPerPiece
        = int(std::clamp<qsizetype>(bytesPerPiece / (rows.rowBytes() + 1), 1, rows.height()));
    std::vector<Piece> pieces(size_t((rows.height() + rowsPerPiece - 1) / rowsPerPiece));
    for (size_t i = 0; i < pieces.size(); ++i) {
        pieces[i].firstRow = int(i) * rowsPerPiece;
        pieces[i].endRow = std::min(rows.height(), pieces[i].firstRow + rowsPerPiece);
    }
    forEachInParallel(int(pieces.size()),
        [&](int i) { compressPiece(rows, pieces[size_t(i)], size_t(i) + 1 == pieces.size()); });

    // One zlib stream: header, the pieces' blocks, Adler-32 of all rows.
    static constexpr char zlibHeader[2] = { 0x78, char(0x9c) }; // deflate, 32 KiB window, default level
    qsizetype streamSize = sizeof zlibHeader + 4;
    quint32 adler = 1;
    for (const Piece &piece : pieces) {
        if (piece.deflatedSize == 0) // out of memory, or a stream that did not read back
            return encodeWithQt(image);
        streamSize += qsizetype(piece.deflatedSize);
        adler = quint32(adler32_combine(adler, piece.adler, z_off_t(piece.filteredSize)));
    }
    if (streamSize > 0x7fffffff) // beyond what one chunk holds
        return encodeWithQt(image);

    QByteArray png;
    png.reserve(streamSize + 64);
    png.append("\x89PNG\r\n\x1a\n", 8);

    char header[13];
    qToBigEndian(quint32(rows.width()), header);
    qToBigEndian(quint32(rows.height()), header + 4);
    header[8] = 8; // bits per channel
    header[9] = char(rows.hasAlpha() ? colourTypeRgba : colourTypeRgb);
    header[10] = 0; // deflate
    header[11] = 0; // adaptive filtering, one filter type per row
    header[12] = 0; // not interlaced
    appendChunk(png, "IHDR", header, sizeof header);

    const qsizetype chunkStart = png.size();
    char length[4];
    qToBigEndian(quint32(streamSize), length);
    png.append(length, 4);
    png.append("IDAT", 4);
    png.append(zlibHeader, sizeof zlibHeader);
    for (const Piece &piece : pieces)
        png.append(reinterpret_cast<const char *>(piece.deflated.get()), qsizetype(piece.deflatedSize));
    char adlerBytes[4];
    qToBigEndian(adler, adlerBytes);
    png.append(adlerBytes, 4);
    const quint32 crc = libdeflate_crc32(0, png.constData() + chunkStart + 4, size_t(streamSize + 4));
    char crcBytes[4];
    qToBigEndian(crc, crcBytes);
    png.append(crcBytes, 4);

    appendChunk(png, "IEND", nullptr, 0);
    return png;
}

} // namespace PngEncoder
