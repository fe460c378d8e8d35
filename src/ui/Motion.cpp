#include "Motion.h"

#include <QEasingCurve>
#include <QPointF>
#include <QtMath>

namespace {

int milliseconds(qreal seconds)
{
    return qRound(seconds * 1000);
}

Motion bezier(qreal seconds, QPointF control1, QPointF control2)
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(control1, control2, QPointF(1, 1));
    return Motion { milliseconds(seconds),
        [curve](qreal progress) { return curve.valueForProgress(progress); } };
}

} // namespace

qreal springPosition(qreal seconds, qreal response, qreal dampingFraction)
{
    const qreal omega = 2 * M_PI / response;
    const qreal decay = qExp(-dampingFraction * omega * seconds);
    if (dampingFraction >= 1)
        return 1 - decay * (1 + omega * seconds);
    const qreal dampedOmega = omega * qSqrt(1 - dampingFraction * dampingFraction);
    return 1
        - decay
        * (qCos(dampedOmega * seconds) + dampingFraction * omega / dampedOmega * qSin(dampedOmega * seconds));
}

Motion Motion::spring(qreal response, qreal dampingFraction)
{
    return Motion { milliseconds(response), [response, dampingFraction](qreal progress) {
                       return progress >= 1 ? 1.0
                                            : springPosition(progress * response, response, dampingFraction);
                   } };
}

Motion Motion::easeOut(qreal seconds)
{
    return bezier(seconds, QPointF(0, 0), QPointF(0.58, 1));
}

Motion Motion::easeInOut(qreal seconds)
{
    return bezier(seconds, QPointF(0.42, 0), QPointF(0.58, 1));
}

Motion Motion::linear(qreal seconds)
{
    return Motion { milliseconds(seconds), [](qreal progress) { return progress; } };
}

Motion Motion::repeatingLinear(qreal seconds)
{
    Motion motion = linear(seconds);
    motion.repeats = true;
    return motion;
}
