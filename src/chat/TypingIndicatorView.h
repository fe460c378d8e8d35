#pragma once

#include <QWidget>

class PulsingDots;

// The assistant at work, as a bubble line: its avatar beside a bubble of
// three pulsing dots, with "AI is thinking..." below. The dots step every
// 0.4 s while the view is on screen.
class TypingIndicatorView : public QWidget
{
    Q_OBJECT

public:
    explicit TypingIndicatorView(QWidget *parent = nullptr);

    PulsingDots *dots() const { return m_dots; }

private:
    PulsingDots *m_dots;
};
