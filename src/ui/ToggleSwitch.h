#pragma once

#include "AnimatedValue.h"

#include <QAbstractButton>
#include <QColor>

// An on/off switch: a capsule track, filled with the tint while on, and a
// round knob that slides to the side of its state. A click or Space flips it;
// while disabled it fades and keeps showing its state.
class ToggleSwitch : public QAbstractButton
{
    Q_OBJECT

public:
    explicit ToggleSwitch(const QColor &tint, QWidget *parent = nullptr);

    QColor tint() const { return m_tint; }
    // Where the knob is drawn: 0 at the off side, 1 at the on side.
    qreal knobPosition() const { return m_knob.value(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    // The whole widget takes clicks, not only the track.
    bool hitButton(const QPoint &position) const override;

private:
    QColor m_tint;
    AnimatedValue m_knob;
};
