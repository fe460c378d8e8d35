#include "DeflateLayout.h"

#include <QtEndian>

#include <array>
#include <cstring>

namespace {

// A Huffman code as deflate sends it: code lengths per symbol, codes assigned
// in order of length and then symbol. Codes up to `tableBits` long are decoded
// with one table lookup, the rare longer ones bit by bit.
class HuffmanCode
{
public:
    static constexpr int maxBits = 15;
    static constexpr int tableBits = 12;

    // False for lengths that give more codes than bits can tell apart.
    bool build(const quint8 *lengths, int symbolCount)
    {
        m_counts.fill(0);
        for (int symbol = 0; symbol < symbolCount; ++symbol)
            ++m_counts[lengths[symbol]];
        m_counts[0] = 0;
        int unused = 1;
        for (int length = 1; length <= maxBits; ++length) {
            unused = unused * 2 - m_counts[length];
            if (unused < 0)
                return false;
        }
        std::array<quint16, maxBits + 1> offsets {};
        for (int length = 1; length < maxBits; ++length)
            offsets[length + 1] = offsets[length] + m_counts[length];
        for (int symbol = 0; symbol < symbolCount; ++symbol) {
            if (lengths[symbol] != 0)
                m_symbols[offsets[lengths[symbol]]++] = quint16(symbol);
        }

        // The stream holds each code from its first bit on, so the table is
        // indexed by the code's bits reversed.
        m_table.fill(0);
        unsigned code = 0;
        int index = 0;
        for (int length = 1; length <= tableBits; ++length, code <<= 1) {
            for (int i = 0; i < m_counts[length]; ++i, ++index, ++code) {
                unsigned reversed = 0;
                for (int bit = 0; bit < length; ++bit)
                    reversed |= ((code >> bit) & 1) << (length - 1 - bit);
                for (unsigned at = reversed; at < (1u << tableBits); at += 1u << length)
                    m_table[at] = quint16(m_symbols[size_t(index)] << 4 | length);
            }
        }
        return true;
    }

    // The table entry for the next bits: symbol << 4 | length, or 0 when the
    // code is longer than the table.
    quint16 lookup(quint64 bits) const { return m_table[bits & ((1u << tableBits) - 1)]; }

    // The symbol of a code read one bit at a time; -1 when no code matches.
    template<typename NextBit> int decodeSlowly(NextBit nextBit) const
    {
        int first = 0;
        int index = 0;
        int code = 0;
        for (int length = 1; length <= maxBits; ++length) {
            code |= nextBit();
            const int count = m_counts[length];
            if (code - first < count)
                return m_symbols[size_t(index + code - first)];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }

private:
    std::array<quint16, 1 << tableBits> m_table;
    std::array<quint16, maxBits + 1> m_counts;
    std::array<quint16, 288> m_symbols;
};

class DeflateWalker
{
public:
    DeflateWalker(const quint8 *data, qsizetype size)
        : m_data(data)
        , m_size(size)
    { }

    std::optional<DeflateLayout> walk()
    {
        for (;;) {
            const qsizetype blockStart = position();
            const bool final = bits(1);
            const unsigned type = bits(2);
            const bool skipped = type == 0 ? skipStoredBlock()
                : type == 1                ? skipFixedBlock()
                : type == 2                ? skipDynamicBlock()
                                           : false;
            if (!skipped || pastTheEnd())
                return std::nullopt;
            if (final)
                return DeflateLayout { blockStart, position() };
        }
    }

private:
    qsizetype position() const { return m_next * 8 - m_count; }
    bool pastTheEnd() const { return position() > m_size * 8; }

    // Tops the bit buffer up to at least 56 bits; beyond the end it reads
    // zeros, which pastTheEnd() then tells.
    void refill()
    {
        if (m_next + 8 <= m_size) {
            quint64 word;
            std::memcpy(&word, m_data + m_next, 8);
            m_buffer |= qFromLittleEndian(word) << m_count;
            m_next += (63 - m_count) >> 3;
            m_count |= 56;
            return;
        }
        while (m_count <= 56) {
            m_buffer |= quint64(m_next < m_size ? m_data[m_next] : 0) << m_count;
            ++m_next;
            m_count += 8;
        }
    }

    unsigned bits(int count)
    {
        if (m_count < count)
            refill();
        const auto value = unsigned(m_buffer & ((quint64(1) << count) - 1));
        m_buffer >>= count;
        m_count -= count;
        return value;
    }

    int decode(const HuffmanCode &code)
    {
        if (m_count < HuffmanCode::maxBits)
            refill();
        const quint16 entry = code.lookup(m_buffer);
        if (entry == 0)
            return code.decodeSlowly([this] { return int(bits(1)); });
        const int length = entry & 15;
        m_buffer >>= length;
        m_count -= length;
        return entry >> 4;
    }

    bool skipStoredBlock()
    {
        bits(m_count & 7); // to the byte boundary
        const unsigned length = bits(16);
        if (bits(16) != (length ^ 0xffff))
            return false;
        const qsizetype end = position() / 8 + length;
        if (end > m_size)
            return false;
        m_buffer = 0;
        m_count = 0;
        m_next = end;
        return true;
    }

    bool skipFixedBlock()
    {
        quint8 lengths[288 + 30];
        std::memset(lengths, 8, 144);
        std::memset(lengths + 144, 9, 112);
        std::memset(lengths + 256, 7, 24);
        std::memset(lengths + 280, 8, 8);
        std::memset(lengths + 288, 5, 30);
        return m_literals.build(lengths, 288) && m_distances.build(lengths + 288, 30) && skipSymbols();
    }

    bool skipDynamicBlock()
    {
        const int literalCount = int(bits(5)) + 257;
        const int distanceCount = int(bits(5)) + 1;
        const int lengthCodeCount = int(bits(4)) + 4;
        if (literalCount > 286 || distanceCount > 30)
            return false;
        static constexpr quint8 lengthCodeOrder[19]
            = { 16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15 };
        quint8 lengthCodeLengths[19] = {};
        for (int i = 0; i < lengthCodeCount; ++i)
            lengthCodeLengths[lengthCodeOrder[i]] = quint8(bits(3));
        HuffmanCode lengthCode;
        if (!lengthCode.build(lengthCodeLengths, 19))
            return false;

        quint8 lengths[286 + 30] = {};
        const int total = literalCount + distanceCount;
        for (int i = 0; i < total;) {
            const int symbol = decode(lengthCode);
            if (symbol < 0 || pastTheEnd())
                return false;
            if (symbol < 16) {
                lengths[i++] = quint8(symbol);
                continue;
            }
            quint8 repeated = 0;
            int times;
            if (symbol == 16) {
                if (i == 0)
                    return false;
                repeated = lengths[i - 1];
                times = 3 + int(bits(2));
            } else if (symbol == 17) {
                times = 3 + int(bits(3));
            } else {
                times = 11 + int(bits(7));
            }
            if (i + times > total)
                return false;
            std::memset(lengths + i, repeated, size_t(times));
            i += times;
        }
        return m_literals.build(lengths, literalCount)
            && m_distances.build(lengths + literalCount, distanceCount) && skipSymbols();
    }

    // Reads literals and length-distance pairs up to the end of the block.
    bool skipSymbols()
    {
        static constexpr quint8 lengthExtraBits[29]
            = { 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0 };
        static constexpr quint8 distanceExtraBits[30] = { 0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7,
            7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13 };
        for (;;) {
            if (m_next > m_size + 8) // zeros read past the end could pass for literals forever
                return false;
            const int symbol = decode(m_literals);
            if (symbol < 256) {
                if (symbol < 0)
                    return false;
                continue;
            }
            if (symbol == 256)
                return true;
            if (symbol > 285)
                return false;
            bits(lengthExtraBits[symbol - 257]);
            const int distance = decode(m_distances);
            if (distance < 0 || distance > 29)
                return false;
            bits(distanceExtraBits[distance]);
        }
    }

    const quint8 *m_data;
    qsizetype m_size;
    qsizetype m_next = 0; // the next byte to enter the bit buffer
    quint64 m_buffer = 0;
    int m_count = 0; // bits in the buffer
    HuffmanCode m_literals;
    HuffmanCode m_distances;
};

} // namespace

std::optional<DeflateLayout> DeflateLayout::read(const quint8 *stream, qsizetype size)
{
    if (!stream || size <= 0)
        return std::nullopt;
    return DeflateWalker(stream, size).walk();
}
