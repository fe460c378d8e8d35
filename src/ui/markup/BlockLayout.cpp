#include "BlockLayout.h"

#include "BidiIsolation.h"
#include "Emoji.h"
#include "MarkdownParser.h"
#include "ui/Fonts.h"

namespace BlockLayout {

QString shownText(const QString &source, QList<QTextLayout::FormatRange> *formats)
{
    QString shown;
    for (const TextSegment &segment : parseFormattedText(source)) {
        if (segment.isBold || segment.isItalic) {
            QTextLayout::FormatRange range;
            range.start = int(shown.size());
            range.length = int(segment.text.size());
            if (segment.isBold)
                range.format.setFontWeight(QFont::Bold);
            range.format.setFontItalic(segment.isItalic);
            formats->append(range);
        }
        shown += segment.text;
    }
    return shown;
}

Qt::LayoutDirection directionOf(QStringView text, Qt::LayoutDirection fallback)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t character = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            character = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        switch (QChar::direction(character)) {
        case QChar::DirL:
            return Qt::LeftToRight;
        case QChar::DirR:
        case QChar::DirAL:
            return Qt::RightToLeft;
        default:
            break;
        }
    }
    return fallback;
}

QList<QTextLayout::FormatRange> emojiFormats(QStringView text)
{
    QList<QTextLayout::FormatRange> formats;
    for (const auto &[start, end] : Emoji::runs(text)) {
        QTextLayout::FormatRange range;
        range.start = int(start);
        range.length = int(end - start);
        range.format.setFontFamilies({ QString::fromLatin1(Fonts::colorEmojiFamily) });
        formats.append(range);
    }
    return formats;
}

QString withLineSeparators(const QString &text)
{
    QString lines = text;
    for (qsizetype i = lines.indexOf(u'\n'); i >= 0; i = lines.indexOf(u'\n', i + 1))
        lines[i] = QChar::LineSeparator;
    for (qsizetype i = lines.indexOf(u'\r'); i >= 0; i = lines.indexOf(u'\r', i + 1)) {
        // Of "\r\n" the line separator that follows makes the break.
        const bool beforeBreak = i + 1 < lines.size() && lines[i + 1] == QChar::LineSeparator;
        lines[i] = beforeBreak ? QChar(0x200B) : QChar(QChar::LineSeparator);
    }
    return lines;
}

qreal layOut(QTextLayout &layout, const QString &text, const QFont &font,
    const QList<QTextLayout::FormatRange> &formats, qreal lineSpacing, qreal width,
    Qt::LayoutDirection direction, Qt::Alignment alignment)
{
    QTextOption option(alignment.testFlag(Qt::AlignHCenter) ? Qt::AlignHCenter
            : direction == Qt::RightToLeft                  ? Qt::AlignRight
                                                            : Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(direction);
    // Laid out with its paragraphs isolated when it holds characters that
    // reorder text; the formats' positions are the text's own.
    const QString separated = withLineSeparators(text);
    const QString laidOut = BidiIsolation::isolatedParagraphs(separated);
    QList<QTextLayout::FormatRange> laidOutFormats = formats;
    if (laidOut.size() != separated.size()) {
        for (QTextLayout::FormatRange &range : laidOutFormats) {
            const qsizetype start = BidiIsolation::isolatedPosition(separated, range.start);
            range.length
                = int(BidiIsolation::isolatedPosition(separated, range.start + range.length) - start);
            range.start = int(start);
        }
    }
    layout.setText(laidOut);
    layout.setFont(font);
    layout.setFormats(laidOutFormats + emojiFormats(laidOut));
    layout.setTextOption(option);
    layout.setCacheEnabled(true);

    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(width);
        if (line.lineNumber() > 0)
            height += lineSpacing;
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

} // namespace BlockLayout
