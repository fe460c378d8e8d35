#pragma once

#include "AnimatedValue.h"

#include <QAbstractButton>
#include <QColor>

// An on/off switch: a capsule track, filled with the tint when on, and a
// white knob that slides to the side of the state. A click or the space key
// flips it; the knob slides when the user flips it and jumps when the owner
// sets the state before the switch is shown. Dimmed while disabled.
class ToggleSwitch : public QAbstractButton
{
    Q_OBJECT

public:
    explicit ToggleSwitch(const QColor &tint, QWidget *parent = nullptr);

    QColor tint() const { return m_tint; }
    // Where the knob stands: 0 at the off side, 1 at the on side.
    qreal knobPosition() const { return m_knob.value(); }

    QSize sizeHint() const override { return QSize(38, 22); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }

private:
    QColor m_tint;
    AnimatedValue m_knob;
    // A focus ring shows only when the focus came from the keyboard.
    bool m_keyboardFocus = false;
};
