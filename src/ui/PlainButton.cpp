#include "PlainButton.h"

#include "Palette.h"

#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
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
    // Most of these sit among controls that the keyboard reaches otherwise;
    // where they are the only way (the tray panel), the owner lets them in.
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
    const bool ring = hasFocus();
    if (m_fill.alpha() == 0 && !ring)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    painter.fillPath(shape, m_fill);
    if (ring) {
        // Inside the edge, where nothing next to the button covers it; blue
        // stands out from the orange, the grey and the window alike.
        const qreal inset = 1;
        const qreal radius = qMax<qreal>(m_cornerRadius, 4);
        painter.setPen(QPen(Palette::blue(), 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), radius - inset,
            radius - inset);
    }
}

void PlainButton::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat())
            animateClick();
        return;
    case Qt::Key_Down:
    case Qt::Key_Right:
        focusNextPrevChild(true);
        return;
    case Qt::Key_Up:
    case Qt::Key_Left:
        focusNextPrevChild(false);
        return;
    default:
        QAbstractButton::keyPressEvent(event);
    }
}

void PlainButton::focusInEvent(QFocusEvent *event)
{
    QAbstractButton::focusInEvent(event);
    update();
}

void PlainButton::focusOutEvent(QFocusEvent *event)
{
    QAbstractButton::focusOutEvent(event);
    update();
}
