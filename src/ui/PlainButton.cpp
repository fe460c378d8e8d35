#include "PlainButton.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr qreal pressedOpacity = 0.6;

} // namespace

PlainButton::PlainButton(const QColor &fill, qreal cornerRadius, QWidget *parent)
    : QAbstractButton(parent)
    , m_fill(fill)
    , m_cornerRadius(cornerRadius)
{
    // The panel is used with the pointer; a focus ring would have nowhere to show.
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::pressed, this, [this] { setDimmed(true); });
    connect(this, &QAbstractButton::released, this, [this] { setDimmed(false); });
}

void PlainButton::setDimmed(bool dimmed)
{
    if (!dimmed) {
        setGraphicsEffect(nullptr);
        return;
    }
    auto *effect = new QGraphicsOpacityEffect(this);
    effect->setOpacity(pressedOpacity);
    setGraphicsEffect(effect);
}

void PlainButton::paintEvent(QPaintEvent *)
{
    if (m_fill.alpha() == 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    painter.fillPath(shape, m_fill);
}
