#include "StoredValue.h"

namespace {

// Reads a text as a Boolean the way the desktop convention for stored
// settings does: leading blanks, then an optional sign and zeros, then Y, T
// (either case) or a digit 1-9 means true; anything else is false.
bool textAsBool(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    while (i < text.size() && text.at(i) == QLatin1Char('0'))
        ++i;
    if (i == text.size())
        return false;
    const QChar c = text.at(i);
    return c == QLatin1Char('Y') || c == QLatin1Char('y') || c == QLatin1Char('T') || c == QLatin1Char('t')
        || (c >= QLatin1Char('1') && c <= QLatin1Char('9'));
}

} // namespace

std::optional<QString> StoredValue::text() const
{
    if (!hasValue() || m_value.typeId() != QMetaType::QString)
        return std::nullopt;
    return m_value.toString();
}

bool StoredValue::toBool() const
{
    if (!hasValue())
        return false;
    switch (m_value.typeId()) {
    case QMetaType::Bool:
        return m_value.toBool();
    case QMetaType::LongLong:
        return m_value.toLongLong() != 0;
    case QMetaType::Double:
        return m_value.toDouble() != 0.0;
    case QMetaType::QString:
        return textAsBool(m_value.toString());
    default:
        return false;
    }
}
