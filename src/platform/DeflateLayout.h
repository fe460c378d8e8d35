#pragma once

#include <QtGlobal>

#include <optional>

// What joining raw deflate streams needs to know of one: where its last block
// begins and where its data ends, in bits from the start (deflate fills each
// byte from its least significant bit). Found by walking the block headers
// and Huffman codes without producing the data, which costs a fraction of
// inflating it.
struct DeflateLayout
{
    qsizetype lastBlockBit = 0;
    qsizetype endBit = 0;

    // The layout of a stream that ends with a block marked final; nothing when
    // the walk meets a malformed block or runs past the end of the bytes.
    static std::optional<DeflateLayout> read(const quint8 *stream, qsizetype size);
};
