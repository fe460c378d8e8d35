#include "ColourDot.h"

#include <QPainter>

ColourDot::ColourDot(const QColor &colour, int diameter, QWidget *parent)
    : QWidget(parent)
    , m_colour(colour)
{
    setFixedSize(diameter, diameter);
}

void ColourDot::setColour(const QColor &colour)
{
    m_colour = colour;
    update();
}

void ColourDot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_colour);
    painter.drawEllipse(QRectF(rect()));
}
