#include "PlainLabel.h"

PlainLabel::PlainLabel(const QString &text, const QFont &font, const QColor &colour, QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    // Inside a button the text would otherwise take the button's text colour.
    setForegroundRole(QPalette::WindowText);
    setText(text);
    setFont(font);
    setColour(colour);
}

void PlainLabel::setColour(const QColor &colour)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, colour);
    setPalette(palette);
}
