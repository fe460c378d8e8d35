#include "PngEncoder.h"

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
quint32 applyFilter(quint8 *__restrict out, const quint8 *__restrict row, const quint8 *__restrict above,
    qsizetype size, int bytesPerPixel, Predictor predict)
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
// closest to left + upper - upper-left; written with selects, not branches.
inline int paethPredictor(int left, int up, int upLeft)
{
    const int towardsLeft = std::abs(up - upLeft);
    const int towardsUp = std::abs(left - upLeft);
    const int towardsUpLeft = std::abs(left + up - 2 * upLeft);
    const int upOrUpLeft = towardsUp <= towardsUpLeft ? up : upLeft;
    return towardsLeft <= towardsUp && towardsLeft <= towardsUpLeft ? left : upOrUpLeft;
}

// Filters rows one after another, each with the filter of the smallest sum.
class AdaptiveRowFilter
{
public:
    AdaptiveRowFilter(qsizetype rowBytes, int bytesPerPixel)
        : m_rowBytes(rowBytes)
        , m_bytesPerPixel(bytesPerPixel)
        , m_candidates(std::make_unique_for_overwrite<quint8[]>(size_t(rowBytes * filterCount)))
    { }

    // Writes the filter type and the filtered bytes of `row` to `out`.
    void filter(const quint8 *row, const quint8 *above, quint8 *out)
    {
        const qsizetype n = m_rowBytes;
        const int bpp = m_bytesPerPixel;
        quint32 sums[filterCount];
        sums[filterNone]
            = applyFilter(candidate(filterNone), row, above, n, bpp, [](int, int, int) { return 0; });
        sums[filterSub]
            = applyFilter(candidate(filterSub), row, above, n, bpp, [](int a, int, int) { return a; });
        sums[filterUp]
            = applyFilter(candidate(filterUp), row, above, n, bpp, [](int, int b, int) { return b; });
        sums[filterAverage] = applyFilter(
            candidate(filterAverage), row, above, n, bpp, [](int a, int b, int) { return (a + b) >> 1; });
        sums[filterPaeth] = applyFilter(candidate(filterPaeth), row, above, n, bpp,
            [](int a, int b, int c) { return paethPredictor(a, b, c); });
        const auto best = FilterType(std::min_element(sums, sums + filterCount) - sums);
        out[0] = best;
        std::memcpy(out + 1, candidate(best), size_t(n));
    }

private:
    quint8 *candidate(FilterType type) { return m_candidates.get() + m_rowBytes * type; }

    qsizetype m_rowBytes;
    int m_bytesPerPixel;
    std::unique_ptr<quint8[]> m_candidates;
};

// libdeflate writes every stream with its last block marked final, after
// which a decoder stops, and it cannot flush; a piece that others follow
// must end without that mark and on a byte boundary. libdeflate does not say
// where its blocks begin, so the piece is decoded once with zlib, whose
// inflate stops at every block boundary when asked (as zlib's own example of
// joining streams does), to find the last block's header. Its final bit is
// cleared and an empty stored block, the marker of a sync flush, brings the
// stream to a byte boundary. This keeps libdeflate's smaller output at its
// speed; zlib's deflate, which can flush, compresses these rows only to about
// Qt's size in three times libdeflate's time. Returns the new size, or 0 when
// the stream cannot be read back. `stream` must have room for 5 more bytes.
size_t endWithoutFinalBlock(quint8 *stream, size_t size)
{
    z_stream inflater {};
    if (inflateInit2(&inflater, -MAX_WBITS) != Z_OK)
        return 0;
    inflater.next_in = stream;
    inflater.avail_in = uInt(size);
    auto discard = std::make_unique_for_overwrite<quint8[]>(size_t(1) << 16);
    size_t headerByte = 0; // where the block now being read begins
    int headerBit = 0;
    int unusedBits = -1; // in the last byte, once the final block has ended
    int result;
    do {
        inflater.next_out = discard.get();
        inflater.avail_out = uInt(1) << 16;
        result = inflate(&inflater, Z_BLOCK);
        const bool atBlockBoundary = inflater.data_type & 128;
        const bool afterFinalBlock = inflater.data_type & 64;
        if (result != Z_OK || !atBlockBoundary)
            continue;
        const int unused = inflater.data_type & 7;
        if (afterFinalBlock) {
            unusedBits = unused;
            continue;
        }
        const size_t consumed = size - inflater.avail_in;
        headerByte = unused > 0 ? consumed - 1 : consumed;
        headerBit = unused > 0 ? 8 - unused : 0;
    } while (result == Z_OK);
    const bool whole = result == Z_STREAM_END && inflater.avail_in == 0 && unusedBits >= 0;
    inflateEnd(&inflater);
    if (!whole || headerByte >= size || !(stream[headerByte] & (1 << headerBit)))
        return 0;

    stream[headerByte] &= quint8(~(1 << headerBit));
    stream[size - 1] &= quint8(0xff >> unusedBits);
    // The stored block's three header bits (not final, type 0) are zeros;
    // they go into the last byte's unused bits when they fit.
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
    AdaptiveRowFilter filter(rowBytes, bpp);
    quint8 *out = filtered.get();
    for (int y = piece.firstRow; y < piece.endRow; ++y) {
        rows.read(y, current);
        filter.filter(current, above, out);
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
        if (piece.deflatedSize == 0)
            return {};
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
