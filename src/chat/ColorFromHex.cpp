#include "ColorFromHex.h"

#include <QStringView>

#include <optional>

namespace {

bool isAlphanumeric(char32_t codePoint)
{
    switch (QChar::category(codePoint)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
        return true;
    default:
        return false;
    }
}

// The text without the characters at either end that are not letters,
// marks or digits.
QString trimmed(const QString &text)
{
    const QList<uint> codePoints = text.toUcs4();
    qsizetype first = 0;
    qsizetype end = codePoints.size();
    while (first < end && !isAlphanumeric(codePoints[first]))
        ++first;
    while (end > first && !isAlphanumeric(codePoints[end - 1]))
        --end;
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(codePoints.constData()) + first, end - first);
}

int hexDigitValue(QChar character)
{
    const char16_t c = character.unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// The number the whole text spells in hexadecimal, after an optional 0x or
// 0X; nothing when any other character is in it or no digit is.
std::optional<quint64> wholeHexNumber(QStringView text)
{
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X'))
        text = text.mid(2);
    if (text.isEmpty())
        return std::nullopt;
    quint64 number = 0;
    for (const QChar character : text) {
        const int digit = hexDigitValue(character);
        if (digit < 0)
            return std::nullopt;
        number = number << 4 | quint64(digit);
    }
    return number;
}

} // namespace

QColor colorFromHex(const QString &hex)
{
    const QString text = trimmed(hex);
    // Only the three forms are read: a longer text cannot overflow the number.
    const qsizetype length = text.size();
    const std::optional<quint64> number
        = length == 3 || length == 6 || length == 8 ? wholeHexNumber(text) : std::nullopt;
    const quint64 n = number.value_or(0);
    quint64 alpha = 1;
    quint64 red = 1;
    quint64 green = 1;
    quint64 blue = 0;
    if (number) {
        switch (length) {
        case 3:
            alpha = 255;
            red = (n >> 8) * 17;
            green = (n >> 4 & 0xF) * 17;
            blue = (n & 0xF) * 17;
            break;
        case 6:
            alpha = 255;
            red = n >> 16;
            green = n >> 8 & 0xFF;
            blue = n & 0xFF;
            break;
        case 8:
            alpha = n >> 24;
            red = n >> 16 & 0xFF;
            green = n >> 8 & 0xFF;
            blue = n & 0xFF;
            break;
        default:
            break;
        }
    }
    return QColor(int(red), int(green), int(blue), int(alpha));
}
