#pragma once

#include <QColor>
#include <QWidget>

class PulsingDots;

// The full-width row of a reply on its way: "AI" and "thinking..." above
// three pulsing dots that step every 0.4 s while the row is on screen, and
// the hairline of the message rows under it.
class ModernLoadingRow : public QWidget
{
    Q_OBJECT

public:
    ModernLoadingRow(const QColor &textSecondary, const QColor &accentBeige, QWidget *parent = nullptr);

    // Kept for callers that give every row the same colours; not drawn.
    QColor accentBeige() const { return m_accentBeige; }
    PulsingDots *dots() const { return m_dots; }

private:
    QColor m_accentBeige;
    PulsingDots *m_dots;
};
