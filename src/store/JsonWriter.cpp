#include "JsonWriter.h"

#include "Codecs.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

// Writes one character as escaped UTF-8 at `out`; returns the bytes written (at most 6).
int putEscaped(char32_t c, char *out)
{
    int n = 0;
    switch (c) {
    case '"':
    case '\\':
    case '/':
        out[n++] = '\\', out[n++] = char(c);
        return n;
    case '\b':
        out[n++] = '\\', out[n++] = 'b';
        return n;
    case '\f':
        out[n++] = '\\', out[n++] = 'f';
        return n;
    case '\n':
        out[n++] = '\\', out[n++] = 'n';
        return n;
    case '\r':
        out[n++] = '\\', out[n++] = 'r';
        return n;
    case '\t':
        out[n++] = '\\', out[n++] = 't';
        return n;
    }
    if (c < 0x20) {
        for (char e : { '\\', 'u', '0', '0' })
            out[n++] = e;
        out[n++] = Hex::lowerDigits[c >> 4];
        out[n++] = Hex::lowerDigits[c & 0xF];
        return n;
    }
    return Utf8::put(c, out);
}

} // namespace

JsonWriter::JsonWriter(char *out, qsizetype capacity)
    : m_out(out)
    , m_capacity(capacity)
{ }

void JsonWriter::append(const char *bytes, qsizetype count)
{
    if (m_out && count <= m_capacity - m_size)
        std::memcpy(m_out + m_size, bytes, count);
    m_size += count;
}

void JsonWriter::key(QLatin1StringView key)
{
    punctuation('"');
    append(key.data(), key.size());
    append("\":", 2);
}

void JsonWriter::string(QStringView text)
{
    char chunk[1024];
    int used = 0;
    chunk[used++] = '"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size()
            && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            c = QChar::surrogateToUcs4(char16_t(c), text.at(i + 1).unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;
        }
        if (used > int(sizeof chunk) - 8) {
            append(chunk, used);
            used = 0;
        }
        used += putEscaped(c, chunk + used);
    }
    chunk[used++] = '"';
    append(chunk, used);
}

void JsonWriter::base64String(QByteArrayView data)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.data());
    const qsizetype size = data.size();
    const qsizetype wholeGroupsEnd = size - size % 3;
    auto groupAt = [bytes](qsizetype i) {
        return unsigned(bytes[i]) << 16 | unsigned(bytes[i + 1]) << 8 | bytes[i + 2];
    };

    if (!m_out) {
        qsizetype digits = 0;
        for (qsizetype i = 0; i < wholeGroupsEnd; i += 3) {
            const unsigned group = groupAt(i);
            digits += Base64::digitPairsEscapingSolidus[group >> 12].size
                + Base64::digitPairsEscapingSolidus[group & 0xFFF].size;
        }
        // A last byte or two: two digits and "==", or three digits and "=".
        if (size > wholeGroupsEnd) {
            const bool two = size - wholeGroupsEnd == 2;
            const unsigned high = unsigned(bytes[wholeGroupsEnd]) << 4 | (two ? bytes[size - 1] >> 4 : 0);
            digits += Base64::digitPairsEscapingSolidus[high].size + 2;
        }
        m_size += 2 + digits;
        return;
    }

    // A group of three bytes gives four digits, at most eight characters
    // with every solidus escaped; each pair of digits is copied whole, four
    // characters at a time, into a chunk with room to spare at its end.
    constexpr qsizetype groupsPerChunk = 1024;
    char chunk[groupsPerChunk * 8 + 8];
    int used = 0;
    chunk[used++] = '"';
    auto put = [&](unsigned bits) {
        const Base64::DigitPair &pair = Base64::digitPairsEscapingSolidus[bits];
        std::memcpy(chunk + used, pair.text, sizeof pair.text);
        used += pair.size;
    };
    for (qsizetype i = 0; i < wholeGroupsEnd;) {
        const qsizetype end = std::min(wholeGroupsEnd, i + groupsPerChunk * 3);
        for (; i < end; i += 3) {
            const unsigned group = groupAt(i);
            put(group >> 12);
            put(group & 0xFFF);
        }
        append(chunk, used);
        used = 0;
    }
    if (size > wholeGroupsEnd) {
        const bool two = size - wholeGroupsEnd == 2;
        put(unsigned(bytes[wholeGroupsEnd]) << 4 | (two ? bytes[size - 1] >> 4 : 0));
        if (two) {
            const unsigned sextet = (bytes[size - 1] & 0xF) << 2;
            chunk[used++] = Base64::alphabet[sextet]; // never the solidus: its two lowest bits are 0
        } else {
            chunk[used++] = '=';
        }
        chunk[used++] = '=';
    }
    chunk[used++] = '"';
    append(chunk, used);
}

void JsonWriter::boolean(bool value)
{
    if (value)
        append("true", 4);
    else
        append("false", 5);
}

bool JsonWriter::number(double value)
{
    if (!std::isfinite(value))
        return false;
    // Plain notation, as people write dates; the longest finite double is
    // 309 digits before the point.
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    append(text, result.ptr - text);
    return true;
}
