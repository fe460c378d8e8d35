#include "AnimatedValue.h"

namespace {
bool finishAtOnce = false;
}

AnimatedValue::AnimatedValue(qreal value, QObject *parent)
    : QObject(parent)
    , m_from(value)
    , m_to(value)
    , m_value(value)
{
    // The animation runs the elapsed fraction; the motion's curve maps it.
    m_animation.setStartValue(0.0);
    m_animation.setEndValue(1.0);
    connect(&m_animation, &QVariantAnimation::valueChanged, this,
        [this](const QVariant &progress) { step(progress.toReal()); });
    connect(&m_animation, &QVariantAnimation::finished, this, [this] {
        if (m_interrupting)
            return;
        m_value = m_to;
        Q_EMIT valueChanged();
        Q_EMIT arrived();
    });
}

void AnimatedValue::setFinishAtOnce(bool atOnce)
{
    finishAtOnce = atOnce;
}

void AnimatedValue::interrupt()
{
    // Stopping a repeating animation reports it finished; that is no arrival.
    m_interrupting = true;
    m_animation.stop();
    m_interrupting = false;
}

void AnimatedValue::setValue(qreal value)
{
    interrupt();
    m_from = m_to = m_value = value;
    Q_EMIT valueChanged();
    Q_EMIT arrived();
}

void AnimatedValue::animateTo(qreal target, const Motion &motion)
{
    // Already there, or on the way: the motion under way carries on.
    if (target == m_to && (isMoving() || m_value == target))
        return;
    if (finishAtOnce && !motion.repeats) {
        setValue(target);
        return;
    }
    interrupt();
    m_from = m_value;
    m_to = target;
    m_curve = motion.curve;
    m_animation.setDuration(qMax(1, motion.durationMs));
    m_animation.setLoopCount(motion.repeats ? -1 : 1);
    m_animation.start();
}

void AnimatedValue::step(qreal progress)
{
    if (m_animation.state() != QAbstractAnimation::Running)
        return; // the start value set at construction, or the last step after a stop
    m_value = m_from + (m_to - m_from) * m_curve(progress);
    Q_EMIT valueChanged();
}
