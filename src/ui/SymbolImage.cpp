#include "SymbolImage.h"

#include "Symbols.h"

#include <QPainter>

SymbolImage::SymbolImage(
    const QString &name, const QColor &colour, int symbolSize, int frameSide, QWidget *parent)
    : QWidget(parent)
    , m_name(name)
    , m_colour(colour)
    , m_symbolSize(symbolSize)
{
    setFixedSize(frameSide, frameSide);
}

void SymbolImage::setSymbol(const QString &name, const QColor &colour)
{
    m_name = name;
    m_colour = colour;
    update();
}

void SymbolImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QRect symbol(0, 0, m_symbolSize, m_symbolSize);
    symbol.moveCenter(rect().center());
    Symbols::icon(m_name, m_colour, m_symbolSize).paint(&painter, symbol);
}
