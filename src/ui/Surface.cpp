#include "Surface.h"

#include "ui/Palette.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

Surface::Surface(const QColor &fill, qreal cornerRadius, QWidget *parent)
    : QWidget(parent)
    , m_fill(fill)
    , m_cornerRadius(cornerRadius)
{ }

Surface *Surface::divider(QWidget *parent)
{
    auto *line = new Surface(Palette::separator(), 0, parent);
    line->setFixedHeight(1);
    line->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return line;
}

void Surface::setFill(const QColor &fill)
{
    m_fill = fill;
    update();
}

void Surface::paintEvent(QPaintEvent *event)
{
    if (m_fill.alpha() == 0)
        return;
    QPainter painter(this);
    if (m_cornerRadius <= 0) {
        // Only the part to be painted anew (the input bar is repainted
        // around the send button at every key press).
        for (const QRect &dirty : event->region())
            painter.fillRect(dirty, m_fill);
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    painter.fillPath(shape, m_fill);
}
