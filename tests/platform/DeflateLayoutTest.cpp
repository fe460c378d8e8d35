#include "platform/DeflateLayout.h"

#include <QByteArray>
#include <QRandomGenerator>

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <memory>
#include <zlib.h>

namespace {

// zlib's inflate, which stops at every block boundary when asked, tells
// where the blocks lie: the reference for the walk.
std::optional<DeflateLayout> layoutByInflating(const QByteArray &stream)
{
    z_stream inflater {};
    if (inflateInit2(&inflater, -MAX_WBITS) != Z_OK)
        return std::nullopt;
    inflater.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(stream.data()));
    inflater.avail_in = uInt(stream.size());
    QByteArray discard(1 << 16, Qt::Uninitialized);
    DeflateLayout layout;
    int result;
    do {
        inflater.next_out = reinterpret_cast<Bytef *>(discard.data());
        inflater.avail_out = uInt(discard.size());
        result = inflate(&inflater, Z_BLOCK);
        if (result == Z_OK && (inflater.data_type & 128)) {
            const qsizetype bit
                = (stream.size() - qsizetype(inflater.avail_in)) * 8 - (inflater.data_type & 7);
            (inflater.data_type & 64 ? layout.endBit : layout.lastBlockBit) = bit;
        }
    } while (result == Z_OK);
    inflateEnd(&inflater);
    if (result != Z_STREAM_END)
        return std::nullopt;
    return layout;
}

QByteArray withLibdeflate(const QByteArray &data, int level)
{
    std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(level), &libdeflate_free_compressor);
    QByteArray out(qsizetype(libdeflate_deflate_compress_bound(compressor.get(), size_t(data.size()))),
        Qt::Uninitialized);
    out.resize(qsizetype(libdeflate_deflate_compress(
        compressor.get(), data.constData(), size_t(data.size()), out.data(), size_t(out.size()))));
    return out;
}

// zlib's deflate with a sync flush every `flushEvery` bytes, which puts
// empty stored blocks between the others.
QByteArray withZlib(const QByteArray &data, int strategy, qsizetype flushEvery)
{
    z_stream deflater {};
    deflateInit2(&deflater, 6, Z_DEFLATED, -MAX_WBITS, 8, strategy);
    QByteArray out(
        qsizetype(deflateBound(&deflater, uLong(data.size()))) + 5 * (data.size() / flushEvery + 1),
        Qt::Uninitialized);
    deflater.next_out = reinterpret_cast<Bytef *>(out.data());
    deflater.avail_out = uInt(out.size());
    for (qsizetype at = 0; at < data.size() || at == 0; at += flushEvery) {
        const qsizetype length = std::min(flushEvery, data.size() - at);
        deflater.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData() + at));
        deflater.avail_in = uInt(length);
        deflate(&deflater, at + length >= data.size() ? Z_FINISH : Z_SYNC_FLUSH);
    }
    out.resize(qsizetype(deflater.total_out));
    deflateEnd(&deflater);
    return out;
}

// Rows of a screen: long runs, repeated words, a little noise.
QByteArray screenLikeBytes(qsizetype size)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator random(3);
    for (qsizetype i = 0; i < size; ++i) {
        const qsizetype row = i / 3000;
        data[i]
            = char(row % 7 == 0 ? random.bounded(256) : (i % 3000 < 40 * (row % 50) ? (i * 13) % 29 : 250));
    }
    return data;
}

QByteArray noise(qsizetype size)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator random(5);
    for (char &byte : data)
        byte = char(random.bounded(256));
    return data;
}

} // namespace

TEST(DeflateLayoutTest, FindsTheLastBlockAndTheEndAsInflatingDoes)
{
    const QByteArray screen = screenLikeBytes(3'000'000);
    const struct
    {
        const char *name;
        QByteArray stream;
    } streams[] = {
        { "nothing", withLibdeflate({}, 6) },
        { "a few bytes (fixed codes)", withLibdeflate("abcabcabd", 6) },
        { "screen, fastest", withLibdeflate(screen, 1) },
        { "screen, level 6 (long codes, many blocks)", withLibdeflate(screen, 6) },
        { "screen, slowest", withLibdeflate(screen, 12) },
        { "noise (stored blocks)", withLibdeflate(noise(300'000), 6) },
        { "noise then screen", withLibdeflate(noise(100'000) + screen.left(500'000), 6) },
        { "sync flushes", withZlib(screen.left(1'000'000), Z_DEFAULT_STRATEGY, 65'536) },
        { "fixed codes only", withZlib(screen.left(200'000), Z_FIXED, 50'000) },
        { "literals only", withZlib(screen.left(200'000), Z_HUFFMAN_ONLY, 1'000'000) },
    };
    for (const auto &[name, stream] : streams) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(stream.isEmpty());
        const std::optional<DeflateLayout> expected = layoutByInflating(stream);
        ASSERT_TRUE(expected);
        const std::optional<DeflateLayout> layout
            = DeflateLayout::read(reinterpret_cast<const quint8 *>(stream.constData()), stream.size());
        ASSERT_TRUE(layout);
        EXPECT_EQ(layout->lastBlockBit, expected->lastBlockBit);
        EXPECT_EQ(layout->endBit, expected->endBit);
        EXPECT_EQ((layout->endBit + 7) / 8, stream.size());
    }
}

TEST(DeflateLayoutTest, FindsNothingInWhatIsNotAWholeStream)
{
    const QByteArray whole = withLibdeflate(screenLikeBytes(200'000), 6);
    const struct
    {
        const char *name;
        QByteArray bytes;
    } cases[] = {
        { "no bytes", {} },
        { "cut in half", whole.left(whole.size() / 2) },
        { "last byte cut", whole.chopped(1) },
        { "reserved block type", QByteArray("\x07\x00", 2) },
        { "stored length with a wrong complement", QByteArray("\x01\x05\x00\x00\x00", 5) },
        { "stored block longer than the bytes",
            QByteArray("\x01\x05\x00\xfa\xff"
                       "abc",
                8) },
        { "no final block", QByteArray("\x00\x00\x00\xff\xff\x00\x00\x00\xff\xff", 10) },
        { "zeros", QByteArray(4096, '\0') },
    };
    for (const auto &[name, bytes] : cases) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(DeflateLayout::read(reinterpret_cast<const quint8 *>(bytes.constData()), bytes.size()));
    }
}
