#include "PulsingDots.h"

#include <QPainter>

namespace {

constexpr int dotCount = 3;

Motion phaseMotion()
{
    return Motion::easeInOut(0.3);
}

} // namespace

PulsingDots::PulsingDots(const Style &style, QWidget *parent)
    : QWidget(parent)
    , m_style(style)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    for (int index = 0; index < dotCount; ++index) {
        m_emphasis[index] = new AnimatedValue(index == m_phase ? 1 : 0, this);
        connect(m_emphasis[index], &AnimatedValue::valueChanged, this, qOverload<>(&QWidget::update));
    }
    m_timer.setInterval(style.intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &PulsingDots::tick);
}

qreal PulsingDots::dotScale(int index) const
{
    return restScale + (emphasisedScale - restScale) * m_emphasis.at(index)->value();
}

qreal PulsingDots::dotOpacity(int index) const
{
    return m_style.restOpacity + (1 - m_style.restOpacity) * m_emphasis.at(index)->value();
}

QSize PulsingDots::sizeHint() const
{
    return QSize(dotCount * dotSide + (dotCount - 1) * dotSpacing + 2 * overflow, dotSide + 2 * overflow);
}

void PulsingDots::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window coming back from being minimised may be told twice.
    if (m_timer.isActive())
        return;
    m_timer.start();
    tick();
}

void PulsingDots::hideEvent(QHideEvent *event)
{
    m_timer.stop();
    setPhase(0, false);
    QWidget::hideEvent(event);
}

void PulsingDots::tick()
{
    setPhase((m_phase + 1) % dotCount, true);
}

void PulsingDots::setPhase(int phase, bool animated)
{
    m_phase = phase;
    for (int index = 0; index < dotCount; ++index) {
        const qreal target = index == phase ? 1 : 0;
        if (animated)
            m_emphasis[index]->animateTo(target, phaseMotion());
        else
            m_emphasis[index]->setValue(target);
    }
    Q_EMIT phaseChanged();
}

void PulsingDots::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_style.fill);
    for (int index = 0; index < dotCount; ++index) {
        const QPointF centre(
            overflow + index * (dotSide + dotSpacing) + dotSide / 2.0, overflow + dotSide / 2.0);
        const qreal radius = dotSide / 2.0 * dotScale(index);
        painter.setOpacity(dotOpacity(index));
        painter.drawEllipse(centre, radius, radius);
    }
}
