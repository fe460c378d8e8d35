#pragma once

#include "Motion.h"

#include <QObject>
#include <QVariantAnimation>

// A number that views draw from and that moves to a new target along a
// motion. A new target starts from wherever the value stands, so a motion
// that is cut short turns back smoothly.
class AnimatedValue : public QObject
{
    Q_OBJECT

public:
    explicit AnimatedValue(qreal value = 0, QObject *parent = nullptr);

    // Where the value stands now.
    qreal value() const { return m_value; }
    // Where it is going (or stands, when it is not moving).
    qreal target() const { return m_to; }
    bool isMoving() const { return m_animation.state() == QAbstractAnimation::Running; }

    // Puts the value at once where it is told; stops any motion.
    void setValue(qreal value);
    // Moves the value from where it stands to the target. A value already
    // there, or already moving there, keeps its course.
    void animateTo(qreal target, const Motion &motion);

    // For tests: motions that end arrive at once; repeating ones still run.
    static void setFinishAtOnce(bool finishAtOnce);

Q_SIGNALS:
    void valueChanged();
    // The value has reached its target (not after a repeating motion).
    void arrived();

private:
    void step(qreal progress);
    void interrupt();

    QVariantAnimation m_animation;
    std::function<qreal(qreal)> m_curve;
    qreal m_from;
    qreal m_to;
    qreal m_value;
    bool m_interrupting = false;
};
