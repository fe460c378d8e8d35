#include "FormattedText.h"

#include "BlockLayout.h"
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
    QList<QTextLayout::FormatRange> formats;
    const QString shown = BlockLayout::shownText(m_source, &formats);
    setText(shown, formats);
}
