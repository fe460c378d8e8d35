#include "JsonWriter.h"

#include "platform/FreshMemory.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

constexpr char base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char hexDigits[] = "0123456789abcdef";

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
        out[n++] = hexDigits[c >> 4];
        out[n++] = hexDigits[c & 0xF];
    } else if (c < 0x80) {
        out[n++] = char(c);
    } else if (c < 0x800) {
        out[n++] = char(0xC0 | (c >> 6));
        out[n++] = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out[n++] = char(0xE0 | (c >> 12));
        out[n++] = char(0x80 | ((c >> 6) & 0x3F));
        out[n++] = char(0x80 | (c & 0x3F));
    } else {
        out[n++] = char(0xF0 | (c >> 18));
        out[n++] = char(0x80 | ((c >> 12) & 0x3F));
        out[n++] = char(0x80 | ((c >> 6) & 0x3F));
        out[n++] = char(0x80 | (c & 0x3F));
    }
    return n;
}

// How many of the Base64 digits of the data are "/" (sextet 63).
qsizetype base64SolidusCount(const unsigned char *bytes, qsizetype size)
{
    qsizetype count = 0;
    qsizetype i = 0;
    for (; i + 3 <= size; i += 3) {
        const unsigned b0 = bytes[i], b1 = bytes[i + 1], b2 = bytes[i + 2];
        count += (b0 >= 0xFC) + ((b0 & 3) == 3 && b1 >= 0xF0) + ((b1 & 0xF) == 0xF && b2 >= 0xC0)
            + ((b2 & 0x3F) == 0x3F);
    }
    // A last byte or two: only the first two digits can be sextet 63.
    if (i < size)
        count += (bytes[i] >= 0xFC) + (i + 1 < size && (bytes[i] & 3) == 3 && bytes[i + 1] >= 0xF0);
    return count;
}

} // namespace

JsonWriter::JsonWriter(qsizetype capacity)
    : m_measuring(false)
{
    m_text.reserve(capacity);
    FreshMemory::prepareForWriting(m_text.data(), capacity);
}

void JsonWriter::append(const char *bytes, qsizetype count)
{
    m_size += count;
    if (!m_measuring)
        m_text.append(bytes, count);
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
    if (m_measuring) {
        m_size += 2 + (size + 2) / 3 * 4 + base64SolidusCount(bytes, size);
        return;
    }

    // A group of three bytes gives four digits, at most eight characters
    // with every solidus escaped.
    constexpr qsizetype groupsPerChunk = 1024;
    char chunk[groupsPerChunk * 8 + 2];
    int used = 0;
    chunk[used++] = '"';
    auto put = [&](unsigned sextet) {
        const char c = base64Alphabet[sextet];
        if (c == '/')
            chunk[used++] = '\\';
        chunk[used++] = c;
    };
    qsizetype i = 0;
    while (i + 3 <= size) {
        const qsizetype end = std::min(size - (size - i) % 3, i + groupsPerChunk * 3);
        for (; i < end; i += 3) {
            const unsigned group = unsigned(bytes[i]) << 16 | unsigned(bytes[i + 1]) << 8 | bytes[i + 2];
            put(group >> 18);
            put((group >> 12) & 0x3F);
            put((group >> 6) & 0x3F);
            put(group & 0x3F);
        }
        append(chunk, used);
        used = 0;
    }
    if (size - i > 0) {
        const bool two = size - i == 2;
        const unsigned group = unsigned(bytes[i]) << 16 | (two ? unsigned(bytes[i + 1]) << 8 : 0);
        put(group >> 18);
        put((group >> 12) & 0x3F);
        if (two)
            put((group >> 6) & 0x3F);
        else
            chunk[used++] = '=';
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
