#pragma once

#include "AnimatedValue.h"

#include <QColor>
#include <QTimer>
#include <QWidget>

#include <array>

// Three small dots in a row, one of them emphasised, the emphasis stepping
// one dot to the right on every tick of a timer and wrapping to the first:
// the look of someone typing or thinking.
//
// The timer runs only while the dots are on screen. Coming on screen, the
// dots tick once at once, so the middle dot is the first one emphasised;
// leaving the screen stops the timer and puts the phase back to the start,
// so that a hidden view never wakes the program and every showing looks
// like the first.
class PulsingDots : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int phase READ phase NOTIFY phaseChanged)

public:
    struct Style
    {
        // The dots' fill, its own opacity included.
        QColor fill;
        // The opacity of a dot that is not emphasised (an emphasised one is opaque).
        qreal restOpacity = 0.4;
        // Time between two ticks.
        int intervalMs = 400;
    };

    static constexpr int dotSide = 6;
    static constexpr int dotSpacing = 4;
    // Room around the row for an emphasised dot, which is drawn larger than
    // its place. Owners pad the dots this much less than they would.
    static constexpr int overflow = 1;
    static constexpr qreal emphasisedScale = 1.2;
    static constexpr qreal restScale = 0.8;

    explicit PulsingDots(const Style &style, QWidget *parent = nullptr);

    const Style &style() const { return m_style; }
    // The index (0, 1 or 2) of the emphasised dot.
    int phase() const { return m_phase; }
    // Whether the timer is running.
    bool isTicking() const { return m_timer.isActive(); }

    // The look of dot i as drawn now, on its way to the phase's look.
    qreal dotScale(int index) const;
    qreal dotOpacity(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void phaseChanged();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void tick();
    void setPhase(int phase, bool animated);

    Style m_style;
    int m_phase = 0;
    QTimer m_timer;
    // 1 for the emphasised dot, 0 for the others, moving between them.
    std::array<AnimatedValue *, 3> m_emphasis;
};
