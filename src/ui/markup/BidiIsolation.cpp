#include "BidiIsolation.h"

#include <QtGlobal>

#include <algorithm>

namespace {

constexpr char16_t firstStrongIsolate = 0x2068;
constexpr char16_t popDirectionalIsolate = 0x2069;

bool isReordering(char16_t c)
{
    return (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

// What ends a paragraph (and so whatever a reordering character opened).
bool endsParagraph(char16_t c)
{
    return c == u'\n' || c == u'\r' || c == 0x0b || c == 0x0c || c == 0x85 || c == 0x2028 || c == 0x2029;
}

} // namespace

namespace BidiIsolation {

bool reordersText(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return isReordering(c.unicode()); });
}

QString isolatedParagraphs(QStringView text)
{
    if (!reordersText(text))
        return text.toString();
    QString isolated;
    isolated.reserve(text.size() + 16);
    isolated += QChar(firstStrongIsolate);
    for (const QChar c : text) {
        if (endsParagraph(c.unicode())) {
            isolated += QChar(popDirectionalIsolate);
            isolated += c;
            isolated += QChar(firstStrongIsolate);
        } else {
            isolated += c;
        }
    }
    isolated += QChar(popDirectionalIsolate);
    return isolated;
}

QString isolatedLine(QStringView line)
{
    if (!reordersText(line))
        return line.toString();
    return QChar(firstStrongIsolate) + line.toString() + QChar(popDirectionalIsolate);
}

qsizetype isolatedPosition(QStringView text, qsizetype position)
{
    if (!reordersText(text))
        return position;
    // Each paragraph before the position added its two marks, and the
    // position's own paragraph its opening one.
    const qsizetype breaks
        = std::count_if(text.begin(), text.begin() + qBound<qsizetype>(0, position, text.size()),
            [](QChar c) { return endsParagraph(c.unicode()); });
    return position + 2 * breaks + 1;
}

qsizetype sourcePosition(QStringView text, qsizetype isolatedPosition)
{
    if (!reordersText(text))
        return isolatedPosition;
    qsizetype breaks = 0;
    qsizetype paragraphStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!endsParagraph(text[i].unicode()))
            continue;
        // The paragraph's break stands after its closing mark.
        if (isolatedPosition <= i + 2 * breaks + 2)
            return qBound(paragraphStart, isolatedPosition - 2 * breaks - 1, i);
        ++breaks;
        paragraphStart = i + 1;
    }
    return qBound(paragraphStart, isolatedPosition - 2 * breaks - 1, text.size());
}

} // namespace BidiIsolation
