#include "SymbolButton.h"

#include "ui/SoftShadow.h"
#include "ui/Symbols.h"

#include <QPainter>

namespace {

constexpr qreal pressedOpacity = 0.6;

} // namespace

SymbolButton::SymbolButton(const Look &look, QWidget *parent)
    : QAbstractButton(parent)
    , m_look(look)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(look.frameSide, look.frameSide);
    connect(this, &QAbstractButton::pressed, this, qOverload<>(&QWidget::update));
    connect(this, &QAbstractButton::released, this, qOverload<>(&QWidget::update));
}

void SymbolButton::setColour(const QColor &colour)
{
    m_look.colour = colour;
    update();
}

void SymbolButton::setScale(qreal scale)
{
    m_scale = scale;
    update();
}

void SymbolButton::setOpacity(qreal opacity)
{
    m_opacity = opacity;
    update();
}

void SymbolButton::paintEvent(QPaintEvent *)
{
    if (m_opacity <= 0 || m_scale <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(qMin<qreal>(m_opacity, 1) * (isDown() ? pressedOpacity : 1));
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(m_scale, m_scale);
    painter.translate(-centre);

    if (m_look.circleFill) {
        const qreal diameter = (m_look.circleDiameter > 0 ? m_look.circleDiameter : m_look.frameSide) - 1;
        QRectF circle(0, 0, diameter, diameter);
        circle.moveCenter(centre);
        if (m_look.shadow)
            SoftShadow::paintRoundedRect(
                painter, circle, circle.width() / 2, QColor(0, 0, 0, 51), 2, QPointF(0, 1));
        painter.setPen(m_look.circleOutline ? QPen(*m_look.circleOutline, 1) : QPen(Qt::NoPen));
        painter.setBrush(*m_look.circleFill);
        painter.drawEllipse(circle);
    }
    QRect symbol(0, 0, m_look.symbolSize, m_look.symbolSize);
    symbol.moveCenter(rect().center());
    Symbols::icon(m_look.symbol, m_look.colour, m_look.symbolSize, m_look.detailColour)
        .paint(&painter, symbol);
}
