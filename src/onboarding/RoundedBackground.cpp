#include "RoundedBackground.h"

#include <QPainter>
#include <QPainterPath>

RoundedBackground::RoundedBackground(const QColor &fill, qreal cornerRadius, QWidget *parent)
    : QWidget(parent)
    , m_fill(fill)
    , m_cornerRadius(cornerRadius)
{ }

void RoundedBackground::setFill(const QColor &fill)
{
    m_fill = fill;
    update();
}

void RoundedBackground::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    painter.fillPath(shape, m_fill);
}
