#include "JsonReader.h"

#include "Codecs.h"
#include "platform/FreshMemory.h"

#include <QStringDecoder>

#include <algorithm>
#include <charconv>

namespace {

constexpr int maximumDepth = 256;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

JsonReader::JsonReader(QByteArrayView text)
    : m_begin(text.data())
    , m_position(text.data())
    , m_end(text.data() + text.size())
{
    if (text.startsWith("\xEF\xBB\xBF"))
        m_position += 3;
}

void JsonReader::fail(const QString &what)
{
    if (m_error.isEmpty())
        m_error = QStringLiteral("%1 at byte %2").arg(what).arg(m_position - m_begin);
}

void JsonReader::skipWhitespace()
{
    while (m_position < m_end
        && (*m_position == ' ' || *m_position == '\n' || *m_position == '\r' || *m_position == '\t'))
        ++m_position;
}

JsonReader::Kind JsonReader::peek()
{
    if (failed())
        return Kind::Invalid;
    skipWhitespace();
    if (m_position == m_end)
        return Kind::End;
    switch (*m_position) {
    case '{':
        return Kind::Object;
    case '[':
        return Kind::Array;
    case '"':
        return Kind::String;
    case 't':
    case 'f':
        return Kind::Boolean;
    case 'n':
        return Kind::Null;
    default:
        return *m_position == '-' || isDigit(*m_position) ? Kind::Number : Kind::Invalid;
    }
}

bool JsonReader::consume(char punctuation)
{
    if (failed())
        return false;
    skipWhitespace();
    if (m_position == m_end || *m_position != punctuation)
        return false;
    ++m_position;
    return true;
}

bool JsonReader::expect(char punctuation)
{
    if (consume(punctuation))
        return true;
    fail(m_position == m_end ? QStringLiteral("Unexpected end of the text, expected '%1'").arg(punctuation)
                             : QStringLiteral("Expected '%1'").arg(punctuation));
    return false;
}

bool JsonReader::atEnd()
{
    skipWhitespace();
    return !failed() && m_position == m_end;
}

std::optional<char16_t> JsonReader::readHexEscape()
{
    if (m_end - m_position < 4) {
        fail(QStringLiteral("Incomplete \\u escape"));
        return std::nullopt;
    }
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = Hex::digitValue(m_position[i]);
        if (digit < 0) {
            fail(QStringLiteral("Invalid \\u escape"));
            return std::nullopt;
        }
        value = value << 4 | unsigned(digit);
    }
    m_position += 4;
    return char16_t(value);
}

std::optional<QString> JsonReader::readString()
{
    if (peek() != Kind::String) {
        fail(QStringLiteral("Expected a string"));
        return std::nullopt;
    }
    ++m_position;
    QString text;
    // Each run between escapes is decoded on its own; runs end at ASCII
    // characters, so no UTF-8 sequence is ever split between two of them.
    QStringDecoder utf8(
        QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    for (;;) {
        const char *run = m_position;
        while (m_position < m_end) {
            const auto c = static_cast<unsigned char>(*m_position);
            if (c == '"' || c == '\\' || c < 0x20)
                break;
            ++m_position;
        }
        if (m_position > run) {
            text += utf8(QByteArrayView(run, m_position - run));
            if (utf8.hasError()) {
                m_position = run;
                fail(QStringLiteral("Invalid UTF-8 in a string"));
                return std::nullopt;
            }
        }
        if (m_position == m_end) {
            fail(QStringLiteral("Unterminated string"));
            return std::nullopt;
        }
        const char c = *m_position++;
        if (c == '"')
            return text;
        if (c != '\\') {
            --m_position;
            fail(QStringLiteral("Control character in a string"));
            return std::nullopt;
        }
        if (m_position == m_end) {
            fail(QStringLiteral("Unterminated string"));
            return std::nullopt;
        }
        switch (*m_position++) {
        case '"':
            text += QLatin1Char('"');
            break;
        case '\\':
            text += QLatin1Char('\\');
            break;
        case '/':
            text += QLatin1Char('/');
            break;
        case 'b':
            text += QLatin1Char('\b');
            break;
        case 'f':
            text += QLatin1Char('\f');
            break;
        case 'n':
            text += QLatin1Char('\n');
            break;
        case 'r':
            text += QLatin1Char('\r');
            break;
        case 't':
            text += QLatin1Char('\t');
            break;
        case 'u': {
            const std::optional<char16_t> unit = readHexEscape();
            if (!unit)
                return std::nullopt;
            if (QChar::isLowSurrogate(*unit)) {
                fail(QStringLiteral("Unpaired surrogate in a string"));
                return std::nullopt;
            }
            text += QChar(*unit);
            if (QChar::isHighSurrogate(*unit)) {
                std::optional<char16_t> low;
                if (m_end - m_position >= 2 && m_position[0] == '\\' && m_position[1] == 'u') {
                    m_position += 2;
                    low = readHexEscape();
                }
                if (!low || !QChar::isLowSurrogate(*low)) {
                    fail(QStringLiteral("Unpaired surrogate in a string"));
                    return std::nullopt;
                }
                text += QChar(*low);
            }
            break;
        }
        default:
            --m_position;
            fail(QStringLiteral("Invalid escape in a string"));
            return std::nullopt;
        }
    }
}

std::optional<QByteArray> JsonReader::readBase64String()
{
    if (peek() != Kind::String) {
        fail(QStringLiteral("Expected a string"));
        return std::nullopt;
    }
    const char *const start = m_position + 1;

    // Find the closing quote and count the characters (an escape is one),
    // so that the bytes are allocated once.
    const char *close = start;
    qsizetype characters = 0;
    while (close < m_end && *close != '"') {
        if (*close == '\\' && close + 1 < m_end)
            close += std::min<qsizetype>(close[1] == 'u' ? 6 : 2, m_end - close);
        else
            ++close;
        ++characters;
    }
    if (close >= m_end) {
        fail(QStringLiteral("Unterminated string"));
        return std::nullopt;
    }

    QByteArray bytes(characters / 4 * 3, Qt::Uninitialized);
    FreshMemory::prepareForWriting(bytes.data(), bytes.size());
    auto *out = reinterpret_cast<unsigned char *>(bytes.data());
    const auto *in = reinterpret_cast<const unsigned char *>(start);
    const auto *const inEnd = reinterpret_cast<const unsigned char *>(close);
    Base64::DigitDecoder tail;
    auto invalid = [&](const QString &what) {
        m_position = reinterpret_cast<const char *>(in);
        fail(what);
        return std::nullopt;
    };

    while (in < inEnd) {
        // Whole groups of four digits, the common case.
        if (tail.takesWholeGroups()) {
            for (;;) {
                if (inEnd - in >= 4) {
                    const quint32 group = Base64::decodeGroup(in);
                    if (!(group & Base64::notAGroup)) {
                        out = Base64::putGroup(out, group);
                        in += 4;
                        continue;
                    }
                }
                // A group with an escaped solidus, the one escape that
                // writers of this format put into Base64.
                unsigned char digits[4];
                const unsigned char *next = in;
                int count = 0;
                while (count < 4 && next < inEnd) {
                    if (*next == '\\' && next + 1 < inEnd && next[1] == '/') {
                        digits[count++] = '/';
                        next += 2;
                    } else if (*next == '\\') {
                        break;
                    } else {
                        digits[count++] = *next++;
                    }
                }
                const quint32 group = count == 4 ? Base64::decodeGroup(digits) : Base64::notAGroup;
                if (group & Base64::notAGroup) // padding, another escape or no digit
                    break;
                out = Base64::putGroup(out, group);
                in = next;
            }
            if (in == inEnd)
                break;
        }

        // One character, its escape resolved.
        unsigned character = *in++;
        if (character == '\\') {
            if (*in == '/') {
                character = '/';
                ++in;
            } else if (*in == 'u') {
                m_position = reinterpret_cast<const char *>(in + 1);
                const std::optional<char16_t> unit = readHexEscape();
                if (!unit)
                    return std::nullopt;
                character = *unit;
                in += 5;
            } else {
                return invalid(QStringLiteral("Invalid Base64 data"));
            }
        }
        switch (tail.put(character, out)) {
        case Base64::DigitDecoder::Result::Ok:
            break;
        case Base64::DigitDecoder::Result::NotADigit:
            return invalid(QStringLiteral("Invalid Base64 data"));
        case Base64::DigitDecoder::Result::MisplacedPadding:
            return invalid(QStringLiteral("Invalid Base64 data: misplaced padding"));
        case Base64::DigitDecoder::Result::DigitsAfterPadding:
            return invalid(QStringLiteral("Invalid Base64 data: digits after the padding"));
        }
        if (tail.ended() && in != inEnd)
            return invalid(QStringLiteral("Invalid Base64 data: digits after the padding"));
    }
    if (!tail.betweenGroups())
        return invalid(QStringLiteral("Invalid Base64 data: not a multiple of four digits"));

    bytes.truncate(reinterpret_cast<char *>(out) - bytes.data());
    m_position = close + 1;
    return bytes;
}

std::optional<double> JsonReader::readNumber()
{
    if (peek() != Kind::Number) {
        fail(QStringLiteral("Expected a number"));
        return std::nullopt;
    }
    const char *start = m_position;
    const char *p = m_position;
    if (*p == '-')
        ++p;
    auto digits = [&p, this] {
        const char *first = p;
        while (p < m_end && isDigit(*p))
            ++p;
        return p > first;
    };
    bool valid = p < m_end && (*p == '0' ? (++p, true) : digits());
    if (valid && p < m_end && *p == '.') {
        ++p;
        valid = digits();
    }
    if (valid && p < m_end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < m_end && (*p == '+' || *p == '-'))
            ++p;
        valid = digits();
    }
    if (!valid) {
        m_position = p;
        fail(QStringLiteral("Invalid number"));
        return std::nullopt;
    }
    double value = 0;
    const auto result = std::from_chars(start, p, value);
    if (result.ec != std::errc() || result.ptr != p) {
        fail(QStringLiteral("Number out of range"));
        return std::nullopt;
    }
    m_position = p;
    return value;
}

bool JsonReader::readLiteral(QByteArrayView literal)
{
    if (QByteArrayView(m_position, m_end - m_position).startsWith(literal)) {
        m_position += literal.size();
        return true;
    }
    fail(QStringLiteral("Invalid literal"));
    return false;
}

std::optional<bool> JsonReader::readBoolean()
{
    if (peek() != Kind::Boolean) {
        fail(QStringLiteral("Expected true or false"));
        return std::nullopt;
    }
    const bool value = *m_position == 't';
    if (!readLiteral(value ? "true" : "false"))
        return std::nullopt;
    return value;
}

bool JsonReader::readNull()
{
    if (peek() != Kind::Null) {
        fail(QStringLiteral("Expected null"));
        return false;
    }
    return readLiteral("null");
}

bool JsonReader::skipValue()
{
    return skipValue(0);
}

bool JsonReader::skipValue(int depth)
{
    if (depth > maximumDepth) {
        fail(QStringLiteral("Values nested too deeply"));
        return false;
    }
    switch (peek()) {
    case Kind::Object:
        ++m_position;
        if (consume('}'))
            return true;
        do {
            if (!readString() || !expect(':') || !skipValue(depth + 1))
                return false;
        } while (consume(','));
        return expect('}');
    case Kind::Array:
        ++m_position;
        if (consume(']'))
            return true;
        do {
            if (!skipValue(depth + 1))
                return false;
        } while (consume(','));
        return expect(']');
    case Kind::String:
        return readString().has_value();
    case Kind::Number:
        return readNumber().has_value();
    case Kind::Boolean:
        return readBoolean().has_value();
    case Kind::Null:
        return readNull();
    case Kind::End:
        fail(QStringLiteral("Unexpected end of the text"));
        return false;
    case Kind::Invalid:
        break;
    }
    fail(QStringLiteral("Invalid value"));
    return false;
}
