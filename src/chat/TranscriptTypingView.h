#pragma once

#include "ui/AnimatedValue.h"

#include <QTimer>
#include <QWidget>

#include <array>

// The assistant's placeholder line while a question awaits its answer:
// "Assistant" and "thinking..." over three dots, one of them emphasised in
// turn. The emphasis moves one dot on every 0.4 s while the line is shown,
// starting with the middle one; the timer stops when it is hidden.
class TranscriptTypingView : public QWidget
{
    Q_OBJECT

public:
    explicit TranscriptTypingView(QWidget *parent = nullptr);

    // The index (0, 1 or 2) of the emphasised dot.
    int animationPhase() const { return m_animationPhase; }
    bool isTicking() const { return m_timer.isActive(); }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void tick();

    int m_animationPhase = 0;
    QTimer m_timer;
    std::array<AnimatedValue, 3> m_emphasis;
    QWidget *m_dotsArea;
};
