#include "FormattedText.h"

#include "MarkdownParser.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QEvent>

FormattedText::FormattedText(const QString &text, QWidget *parent)
    : TextBlock(QString(), parent)
    , m_source(text)
{
    setFont(Fonts::system(16));
    setTextColor(Palette::primaryLabel());
    createFormattedText();
}

void FormattedText::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        setTextColor(Palette::primaryLabel());
    TextBlock::changeEvent(event);
}

void FormattedText::createFormattedText()
{
    QString shown;
    QList<QTextLayout::FormatRange> formats;
    for (const TextSegment &segment : parseFormattedText(m_source)) {
        if (segment.isBold || segment.isItalic) {
            QTextLayout::FormatRange range;
            range.start = int(shown.size());
            range.length = int(segment.text.size());
            if (segment.isBold)
                range.format.setFontWeight(QFont::Bold);
            range.format.setFontItalic(segment.isItalic);
            formats.append(range);
        }
        shown += segment.text;
    }
    setText(shown, formats);
}
