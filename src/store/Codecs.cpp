#include "Codecs.h"

namespace Base64 {

namespace {

constexpr std::array<DigitPair, 4096> makeDigitPairs()
{
    std::array<DigitPair, 4096> pairs {};
    for (unsigned bits = 0; bits < pairs.size(); ++bits) {
        DigitPair &pair = pairs[bits];
        for (const unsigned sextet : { bits >> 6, bits & 0x3F }) {
            if (sextet == 63)
                pair.text[pair.size++] = '\\';
            pair.text[pair.size++] = alphabet[sextet];
        }
    }
    return pairs;
}

} // namespace

constexpr std::array<DigitPair, 4096> digitPairsEscapingSolidus = makeDigitPairs();

DigitDecoder::Result DigitDecoder::put(unsigned character, unsigned char *&out)
{
    if (m_padding > 0 && (character != '=' || m_have == 0))
        return Result::DigitsAfterPadding;
    if (character == '=') {
        if (m_have < 2)
            return Result::MisplacedPadding;
        ++m_padding;
        m_digits[m_have++] = 0;
    } else {
        const unsigned value = digitValue(character);
        if (value == notADigit)
            return Result::NotADigit;
        m_digits[m_have++] = value;
    }
    if (m_have == 4) {
        const unsigned group = m_digits[0] << 18 | m_digits[1] << 12 | m_digits[2] << 6 | m_digits[3];
        *out++ = static_cast<unsigned char>(group >> 16);
        if (m_padding < 2)
            *out++ = static_cast<unsigned char>(group >> 8);
        if (m_padding < 1)
            *out++ = static_cast<unsigned char>(group);
        m_have = 0;
    }
    return Result::Ok;
}

} // namespace Base64
