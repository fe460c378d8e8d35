#include "BubbleFrame.h"

#include "ui/Palette.h"

#include <QPainter>
#include <QVBoxLayout>

BubbleFrame::BubbleFrame(QWidget *content, const Look &look, QWidget *parent)
    : QWidget(parent)
    , m_content(content)
    , m_look(look)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(look.padding);
    layout->setSpacing(0);
    layout->addWidget(content);
}

void BubbleFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape(rect());
    const qreal radius = qMin(m_look.cornerRadius, qMin(shape.width(), shape.height()) / 2);
    painter.setPen(Qt::NoPen);
    if (m_look.gradient)
        painter.setBrush(Palette::standardGradient(m_look.fill, shape));
    else
        painter.setBrush(m_look.fill);
    painter.drawRoundedRect(shape, radius, radius);
    if (m_look.strokeWidth > 0 && m_look.stroke.alpha() > 0) {
        const qreal inset = m_look.strokeWidth / 2;
        painter.setPen(QPen(m_look.stroke, m_look.strokeWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(shape.adjusted(inset, inset, -inset, -inset), radius - inset, radius - inset);
    }
}
