#pragma once

#include <QWidget>

class PulsingDots;

// The assistant's placeholder line while a question awaits its answer:
// "Assistant" and "thinking..." over three dots on a faint plate, one of
// them emphasised in turn: the middle one first, then one dot on every
// 0.4 s while the line is on screen (the dots stop when it leaves).
class TranscriptTypingView : public QWidget
{
    Q_OBJECT

public:
    explicit TranscriptTypingView(QWidget *parent = nullptr);

    PulsingDots *dots() const { return m_dots; }

private:
    PulsingDots *m_dots;
};
