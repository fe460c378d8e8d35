#include "ToggleSwitch.h"

#include "Palette.h"

#include <QFocusEvent>
#include <QPainter>

namespace {

constexpr qreal knobInset = 2;
constexpr qreal disabledOpacity = 0.5;

} // namespace

ToggleSwitch::ToggleSwitch(const QColor &tint, QWidget *parent)
    : QAbstractButton(parent)
    , m_tint(tint)
{
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        if (isVisible())
            m_knob.animateTo(on ? 1 : 0, Motion::easeInOut(0.2));
        else
            m_knob.setValue(on ? 1 : 0);
    });
    connect(&m_knob, &AnimatedValue::valueChanged, this, qOverload<>(&QWidget::update));
}

void ToggleSwitch::focusInEvent(QFocusEvent *event)
{
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
}

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(disabledOpacity);

    const QSizeF size = sizeHint();
    const QRectF track(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    const qreal radius = track.height() / 2;
    const qreal on = m_knob.value();

    if (hasFocus() && m_keyboardFocus) {
        painter.setPen(QPen(Palette::withOpacity(m_tint, 0.5), 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-1, -1, 1, 1), radius + 1, radius + 1);
    }

    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::mix(Palette::withOpacity(Palette::primaryLabel(), 0.15), m_tint, on));
    painter.drawRoundedRect(track, radius, radius);

    const qreal knobSide = track.height() - 2 * knobInset;
    const qreal travel = track.width() - 2 * knobInset - knobSide;
    const QRectF knob(track.left() + knobInset + travel * on, track.top() + knobInset, knobSide, knobSide);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(knob.translated(0, 0.5).adjusted(-0.5, -0.5, 0.5, 0.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(knob);
}
