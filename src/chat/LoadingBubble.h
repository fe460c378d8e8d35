#pragma once

#include <QColor>
#include <QWidget>

class PulsingDots;

// A reply on its way, in the bubble style: an avatar tinted with the
// caller's colour beside a grey bubble of three pulsing dots that step
// every 0.5 s while the bubble is on screen. Every loading bubble has the
// object name "loading".
class LoadingBubble : public QWidget
{
    Q_OBJECT

public:
    explicit LoadingBubble(const QColor &primaryColor, QWidget *parent = nullptr);

    QColor primaryColor() const { return m_primaryColor; }
    PulsingDots *dots() const { return m_dots; }

private:
    QColor m_primaryColor;
    PulsingDots *m_dots;
};
