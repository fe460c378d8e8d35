#include "MarkdownPiece.h"

#include "MarkdownParser.h"

#include <QTextBoundaryFinder>

#include <vector>

namespace {

// Where the text's recognised bold runs lie, markers included, as the
// inline parser reads them: [start, end) in order.
std::vector<std::pair<qsizetype, qsizetype>> boldSpans(const QString &text)
{
    std::vector<std::pair<qsizetype, qsizetype>> spans;
    qsizetype at = 0;
    for (const TextSegment &segment : parseFormattedText(text)) {
        if (segment.isBold) {
            spans.emplace_back(at, at + 2 + segment.text.size() + 2);
            at += segment.text.size() + 4;
        } else {
            at += segment.text.size();
        }
    }
    return spans;
}

// Whether a cut before `at` leaves every character whole as the reader sees
// it: a letter with its accents, an emoji with its skin tone, a family
// joined by zero-width joiners, not just the surrogate pairs.
bool isCharacterBoundary(QTextBoundaryFinder &characters, qsizetype at)
{
    characters.setPosition(at);
    return characters.isAtBoundary();
}

// Where to cut the text after `from` for a piece of about `longest`: the last
// white space before the limit outside bold runs, else any place outside them.
qsizetype cutAfter(const QString &text, QTextBoundaryFinder &characters, qsizetype from, qsizetype longest,
    const std::vector<std::pair<qsizetype, qsizetype>> &bold, size_t &nextBold)
{
    const qsizetype limit = qMin(text.size(), from + longest);
    if (limit == text.size())
        return limit;
    while (nextBold < bold.size() && bold[nextBold].second <= from)
        ++nextBold;
    const auto insideBold = [&](qsizetype at) {
        for (size_t b = nextBold; b < bold.size() && bold[b].first < at; ++b) {
            if (at > bold[b].first && at < bold[b].second)
                return true;
        }
        return false;
    };
    // A line break in the second half of the piece, the latest first: a cut
    // there shows nothing that the text itself does not show.
    for (qsizetype at = limit; at > from + longest / 2; --at) {
        if (text[at - 1] == u'\n' && !insideBold(at))
            return at;
    }
    // Else white space there.
    for (qsizetype at = limit; at > from + longest / 2; --at) {
        if (text[at - 1].isSpace() && isCharacterBoundary(characters, at) && !insideBold(at))
            return at;
    }
    for (qsizetype at = limit; at > from; --at) {
        if (isCharacterBoundary(characters, at) && !insideBold(at))
            return at;
    }
    // A bold run longer than a piece: past its end.
    for (qsizetype at = limit; at < text.size(); ++at) {
        if (isCharacterBoundary(characters, at) && !insideBold(at))
            return at;
    }
    return text.size();
}

} // namespace

QList<MarkdownPiece> piecesOf(const QList<MarkdownElement> &elements, qsizetype longest)
{
    QList<MarkdownPiece> pieces;
    pieces.reserve(elements.size());
    for (const MarkdownElement &element : elements) {
        const QString &text = element.text;
        if (text.size() <= longest) {
            pieces.append(MarkdownPiece { element, true, true });
            continue;
        }
        // Headings and code show their markers as text: no run to keep whole.
        const bool formatted = element.type == MarkdownElementType::bullet
            || element.type == MarkdownElementType::numberedList
            || element.type == MarkdownElementType::paragraph;
        const std::vector<std::pair<qsizetype, qsizetype>> bold
            = formatted ? boldSpans(text) : std::vector<std::pair<qsizetype, qsizetype>>();
        size_t nextBold = 0;
        QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
        for (qsizetype from = 0; from < text.size();) {
            const qsizetype to = cutAfter(text, characters, from, longest, bold, nextBold);
            MarkdownElement piece = element;
            piece.text = text.sliced(from, to - from);
            pieces.append(MarkdownPiece { piece, from == 0, to == text.size() });
            from = to;
        }
    }
    return pieces;
}
