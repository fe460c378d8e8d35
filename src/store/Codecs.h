#pragma once

#include <QtGlobal>

#include <array>

// General-purpose codecs that the JSON reader and writer build on: Base64 in
// the standard alphabet, hexadecimal digits and UTF-8. They work on raw
// bytes and know nothing of JSON; the tokenizer resolves its escapes around
// them. Everything on the paths that run per byte is inline and table-driven.

namespace Base64 {

inline constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// What digitValue() gives for a byte that is not a digit of the alphabet.
inline constexpr unsigned char notADigit = 0xFF;

namespace Detail {

constexpr std::array<unsigned char, 256> makeDigitValues()
{
    std::array<unsigned char, 256> values {};
    for (auto &value : values)
        value = notADigit;
    for (unsigned char i = 0; i < 64; ++i)
        values[static_cast<unsigned char>(alphabet[i])] = i;
    return values;
}
inline constexpr std::array<unsigned char, 256> digitValues = makeDigitValues();

// The value of a digit already shifted into its place in a group of four
// (the first digit highest), or notAGroup for anything else.
constexpr std::array<std::array<quint32, 256>, 4> makeShiftedValues()
{
    std::array<std::array<quint32, 256>, 4> tables {};
    for (int position = 0; position < 4; ++position)
        for (int c = 0; c < 256; ++c)
            tables[position][c]
                = digitValues[c] == notADigit ? 1u << 24 : quint32(digitValues[c]) << (18 - 6 * position);
    return tables;
}
inline constexpr std::array<std::array<quint32, 256>, 4> shiftedValues = makeShiftedValues();

} // namespace Detail

// The six bits a character stands for, or notADigit; "=" is no digit.
inline unsigned digitValue(unsigned character)
{
    return character < 256 ? Detail::digitValues[character] : notADigit;
}

// Set in decodeGroup()'s result when one of the four characters is no digit.
inline constexpr quint32 notAGroup = 1u << 24;

// The 24 bits of four digits, the first digit highest; notAGroup is set
// when one of them is no digit (padding included).
inline quint32 decodeGroup(const unsigned char *digits)
{
    return Detail::shiftedValues[0][digits[0]] | Detail::shiftedValues[1][digits[1]]
        | Detail::shiftedValues[2][digits[2]] | Detail::shiftedValues[3][digits[3]];
}

// Writes the three bytes of a group's 24 bits; returns the end of what it wrote.
inline unsigned char *putGroup(unsigned char *out, quint32 group)
{
    out[0] = static_cast<unsigned char>(group >> 16);
    out[1] = static_cast<unsigned char>(group >> 8);
    out[2] = static_cast<unsigned char>(group);
    return out + 3;
}

// Decodes the characters that whole groups leave over, one at a time: a
// group that ends in padding ("=" or "=="), or one broken up by something
// its caller resolves first. The padding ends the data.
class DigitDecoder
{
public:
    enum class Result { Ok, NotADigit, MisplacedPadding, DigitsAfterPadding };

    // Takes one digit or "="; a group once complete goes to `out`, which
    // then points past it.
    Result put(unsigned character, unsigned char *&out);

    // No digits wait for the rest of their group: the data may end here.
    bool betweenGroups() const { return m_have == 0; }
    // Whole groups may come next, to be decoded without it.
    bool takesWholeGroups() const { return m_have == 0 && m_padding == 0; }
    // The padding has been read: nothing may follow.
    bool ended() const { return m_padding > 0 && m_have == 0; }

private:
    unsigned m_digits[4] = {};
    int m_have = 0;
    int m_padding = 0;
};

// The two digits of twelve bits (half a group of three bytes) as they are
// written: two to four characters, since a writer may escape the solidus.
// Looking up each half of a group is several times faster than a branch on
// each digit.
struct DigitPair
{
    char text[4];
    quint8 size;
};

// Every pair of digits, each solidus written as the two characters "\/", as
// JSON writers commonly do; index by the twelve bits.
extern const std::array<DigitPair, 4096> digitPairsEscapingSolidus;

} // namespace Base64

namespace Hex {

inline constexpr char lowerDigits[] = "0123456789abcdef";

// The value of a hexadecimal digit in either case, or -1.
inline int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace Hex

namespace Utf8 {

// Writes the code point (not a surrogate) as UTF-8 at `out`; returns the
// bytes written, one to four.
inline int put(char32_t c, char *out)
{
    if (c < 0x80) {
        out[0] = char(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = char(0xC0 | (c >> 6));
        out[1] = char(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = char(0xE0 | (c >> 12));
        out[1] = char(0x80 | ((c >> 6) & 0x3F));
        out[2] = char(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (c >> 18));
    out[1] = char(0x80 | ((c >> 12) & 0x3F));
    out[2] = char(0x80 | ((c >> 6) & 0x3F));
    out[3] = char(0x80 | (c & 0x3F));
    return 4;
}

} // namespace Utf8
