#pragma once

#include <QFont>
#include <QList>
#include <QString>
#include <QTextLayout>

// How one block of text is broken into lines: the same for the block that a
// view draws and for a measurement made away from the view. Pure functions of
// their arguments; usable from any thread (a QFont may be used off the GUI
// thread, a widget may not).
namespace BlockLayout {

// The direction of a block: that of its first strong character (a Hebrew or
// Arabic letter makes it right to left), else the fallback.
Qt::LayoutDirection directionOf(QStringView text, Qt::LayoutDirection fallback);

// The text a paragraph or item shows once its markers of emphasis are read,
// with its bold and italic runs as formats appended to `formats`.
QString shownText(const QString &source, QList<QTextLayout::FormatRange> *formats);

// Formats that draw every emoji of the text in the colour emoji font: the
// text fonts have black-and-white drawings of many of them ("😀" among them),
// which the ordinary font fallback would pick first.
QList<QTextLayout::FormatRange> emojiFormats(QStringView text);

// The text with each of its line breaks ("\n", "\r\n" or "\r") made the
// line separator that a QTextLayout breaks at (the "\r" of "\r\n" an
// invisible space), character for character, so that positions in the one
// are positions in the other.
QString withLineSeparators(const QString &text);

// Breaks the text into lines of at most width pixels: at its own line
// breaks, and between words where it can and inside a word wider than a
// line; lineSpacing apart, aligned to the leading edge of the direction, or
// centred when the alignment asks for it. Returns the height of the lines.
// A text that holds characters that reorder text is laid out with its
// paragraphs isolated (BidiIsolation): positions in the layout are then those
// of BidiIsolation::isolatedParagraphs(withLineSeparators(text)).
qreal layOut(QTextLayout &layout, const QString &text, const QFont &font,
    const QList<QTextLayout::FormatRange> &formats, qreal lineSpacing, qreal width,
    Qt::LayoutDirection direction, Qt::Alignment alignment = Qt::AlignLeading);

} // namespace BlockLayout
