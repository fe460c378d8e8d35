#include "MarkdownParser.h"

#include "BidiIsolation.h"

#include <QStringView>
#include <QTextBoundaryFinder>

#include <limits>
#include <vector>

namespace {

// Every character that ends a line: LF, VT, FF, CR, NEL, LINE SEPARATOR and
// PARAGRAPH SEPARATOR. Each ends a line on its own, so CR LF gives an empty
// line between the two.
bool isLineBreak(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x000A && u <= 0x000D) || u == 0x0085 || u == 0x2028 || u == 0x2029;
}

// Blanks that are trimmed from lines: tab and the Unicode space separators.
// Line breaks are not among them. All of them are single UTF-16 units.
bool isBlank(QChar c)
{
    return c.unicode() == u'\t' || c.category() == QChar::Separator_Space;
}

QStringView trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// Whether the line begins with the prefix as whole characters: "- " does not
// begin "- \u0301x", whose blank carries a combining accent.
bool startsWithCharacters(QStringView line, QStringView prefix)
{
    if (!line.startsWith(prefix))
        return false;
    if (line.size() == prefix.size())
        return true;
    // Whether a boundary follows the prefix depends only on what comes right
    // after it, so a short window is enough even for a very long line.
    const QStringView window = line.first(qMin(line.size(), prefix.size() + 2));
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, window.data(), window.size());
    graphemes.setPosition(prefix.size());
    return graphemes.isAtBoundary();
}

// The code point at index, reading a surrogate pair as one.
char32_t codePointAt(QStringView text, qsizetype index, qsizetype *length)
{
    const QChar c = text[index];
    if (c.isHighSurrogate() && index + 1 < text.size() && text[index + 1].isLowSurrogate()) {
        *length = 2;
        return QChar::surrogateToUcs4(c, text[index + 1]);
    }
    *length = 1;
    return c.unicode();
}

// The length of the match of "^(\d+)\.\s+" at the start of the line, or 0:
// digits of any script, a full stop, then the whole run of white space. The
// line holds no line breaks, so white space here is exactly the blanks.
qsizetype numberedItemPrefixLength(QStringView line)
{
    qsizetype i = 0;
    while (i < line.size()) {
        qsizetype length = 0;
        if (QChar::category(codePointAt(line, i, &length)) != QChar::Number_DecimalDigit)
            break;
        i += length;
    }
    if (i == 0 || i >= line.size() || line[i] != u'.')
        return 0;
    const qsizetype blanksStart = ++i;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    return i > blanksStart ? i : 0;
}

// Reads an optional sign followed by ASCII digits and nothing else, as a
// 64-bit value; nothing when the text is not such a number or out of range.
std::optional<qint64> readInteger(QStringView text)
{
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    // Accumulate towards the negative side, which holds one value more.
    qint64 value = 0;
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c.unicode() - u'0';
        if (value < (lowest + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == lowest)
            return std::nullopt;
        value = -value;
    }
    return value;
}

// The counter after an item numbered n: n + 1, held at the largest value
// when n is already the largest.
qint64 counterAfter(qint64 number)
{
    return number == std::numeric_limits<qint64>::max() ? number : number + 1;
}

class BlockParser
{
public:
    void readLine(QStringView rawLine)
    {
        const QStringView line = trimmed(rawLine);
        if (line.isEmpty()) {
            flushParagraph();
            m_counter = 1;
        } else if (startsWithCharacters(line, u"### ")) {
            appendBlock(MarkdownElementType::subheading, line.sliced(4));
        } else if (startsWithCharacters(line, u"## ")) {
            appendBlock(MarkdownElementType::subheading, line.sliced(3));
        } else if (startsWithCharacters(line, u"# ")) {
            appendBlock(MarkdownElementType::heading, line.sliced(2));
        } else if (startsWithCharacters(line, u"- ") || startsWithCharacters(line, u"* ")
            || startsWithCharacters(line, u"+ ")) {
            appendBlock(MarkdownElementType::bullet, line.sliced(2));
        } else if (const qsizetype prefixLength = numberedItemPrefixLength(line)) {
            appendNumberedItem(line, prefixLength);
        } else if (startsWithCharacters(line, u"```")) {
            // A fence only ends the paragraph; the lines it encloses are read as usual.
            flushParagraph();
        } else {
            if (!m_paragraph.isEmpty())
                m_paragraph += u' ';
            // The line ends a paragraph of the text: what it opens to reorder
            // text ends with it, also once it is joined to the next.
            m_paragraph += BidiIsolation::isolatedLine(line);
        }
    }

    QList<MarkdownElement> finish()
    {
        flushParagraph();
        return std::move(m_elements);
    }

private:
    void appendBlock(MarkdownElementType type, QStringView text)
    {
        flushParagraph();
        m_elements.append(MarkdownElement(type, text.toString()));
        m_counter = 1;
    }

    void appendNumberedItem(QStringView line, qsizetype prefixLength)
    {
        flushParagraph();
        // The number is the prefix without its last two characters, the full
        // stop and one blank (each a single UTF-16 unit). A second blank
        // leaves the full stop in, and the item takes the counter instead.
        const QStringView numberText = line.first(prefixLength - 2);
        const qint64 number = readInteger(numberText).value_or(m_counter);
        m_elements.append(
            MarkdownElement(MarkdownElementType::numberedList, line.sliced(prefixLength).toString(), number));
        m_counter = counterAfter(number);
    }

    void flushParagraph()
    {
        if (m_paragraph.isEmpty())
            return;
        m_elements.append(MarkdownElement(MarkdownElementType::paragraph, trimmed(m_paragraph).toString()));
        m_paragraph.clear();
    }

    QList<MarkdownElement> m_elements;
    QString m_paragraph;
    qint64 m_counter = 1;
};

// Start offsets of the text's user-perceived characters, with the text's
// length as a last entry.
std::vector<qsizetype> characterStarts(const QString &text)
{
    std::vector<qsizetype> starts;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype position = 0; position != -1; position = graphemes.toNextBoundary())
        starts.push_back(position);
    return starts;
}

} // namespace

QList<MarkdownElement> parseMarkdown(const QString &text)
{
    BlockParser parser;
    const QStringView view(text);
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < view.size(); ++i) {
        if (isLineBreak(view[i])) {
            parser.readLine(view.sliced(lineStart, i - lineStart));
            lineStart = i + 1;
        }
    }
    parser.readLine(view.sliced(lineStart));
    return parser.finish();
}

QList<TextSegment> parseFormattedText(const QString &text)
{
    QList<TextSegment> segments;
    if (text.isEmpty())
        return segments;

    // Positions below count user-perceived characters; a star that carries a
    // combining mark is not a star.
    const std::vector<qsizetype> starts = characterStarts(text);
    const qsizetype count = qsizetype(starts.size()) - 1;
    const auto character
        = [&](qsizetype i) { return QStringView(text).sliced(starts[i], starts[i + 1] - starts[i]); };
    const auto isStar = [&](qsizetype i) { return character(i) == u"*"; };
    const auto isMarker = [&](qsizetype i) { return i + 1 < count && isStar(i) && isStar(i + 1); };
    const auto slice
        = [&](qsizetype from, qsizetype to) { return text.mid(starts[from], starts[to] - starts[from]); };

    qsizetype pendingStart = 0;
    const auto flushPending = [&](qsizetype end) {
        if (end > pendingStart)
            segments.append(TextSegment(slice(pendingStart, end)));
        pendingStart = end;
    };

    qsizetype i = 0;
    while (i < count) {
        if (isMarker(i)) {
            flushPending(i);
            qsizetype closing = i + 2;
            while (closing + 1 < count && !isMarker(closing))
                ++closing;
            if (closing + 1 < count && closing > i + 2) {
                segments.append(TextSegment(slice(i + 2, closing), true));
                i = closing + 2;
                pendingStart = i;
                continue;
            }
        }
        ++i;
    }
    flushPending(count);
    return segments;
}
