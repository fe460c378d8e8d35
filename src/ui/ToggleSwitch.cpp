#include "ToggleSwitch.h"

#include "Palette.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr QSizeF trackSize(38, 22);
constexpr qreal knobInset = 2;
// Room around the track for the keyboard focus ring.
constexpr int ringMargin = 3;
constexpr qreal disabledOpacity = 0.5;

const Motion &knobMotion()
{
    static const Motion motion = Motion::easeInOut(0.15);
    return motion;
}

} // namespace

ToggleSwitch::ToggleSwitch(const QColor &tint, QWidget *parent)
    : QAbstractButton(parent)
    , m_tint(tint)
{
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&m_knob, &AnimatedValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        // A state set before the switch is on screen shows at once; a flip
        // the user sees slides.
        if (isVisible())
            m_knob.animateTo(on ? 1 : 0, knobMotion());
        else
            m_knob.setValue(on ? 1 : 0);
    });
}

QSize ToggleSwitch::sizeHint() const
{
    return trackSize.toSize() + QSize(2 * ringMargin, 2 * ringMargin);
}

bool ToggleSwitch::hitButton(const QPoint &position) const
{
    return rect().contains(position);
}

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(disabledOpacity);

    QRectF track(QPointF(0, 0), trackSize);
    track.moveCenter(QRectF(rect()).center());
    const qreal radius = track.height() / 2;
    const qreal on = m_knob.value();

    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        const QRectF ring = track.adjusted(-2.5, -2.5, 2.5, 2.5);
        painter.setPen(QPen(Palette::withOpacity(m_tint, 0.5), 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(ring, ring.height() / 2, ring.height() / 2);
    }

    // The off fill under the tint, which fades in as the knob travels.
    const QColor offFill = Palette::isDark() ? QColor(255, 255, 255, 40) : QColor(0, 0, 0, 26);
    painter.setPen(Qt::NoPen);
    painter.setBrush(offFill);
    painter.drawRoundedRect(track, radius, radius);
    painter.setBrush(Palette::withOpacity(m_tint, qBound(0.0, on, 1.0)));
    painter.drawRoundedRect(track, radius, radius);

    const qreal diameter = track.height() - 2 * knobInset;
    const qreal travel = track.width() - 2 * knobInset - diameter;
    const QRectF knob(track.left() + knobInset + travel * on, track.top() + knobInset, diameter, diameter);
    painter.setBrush(QColor(0, 0, 0, 30));
    painter.drawEllipse(knob.translated(0, 0.5).adjusted(-0.5, -0.5, 0.5, 0.5));
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor(0, 0, 0, 20), 0.5));
    painter.drawEllipse(knob);
}
