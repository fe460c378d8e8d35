#pragma once

#include <QColor>
#include <QWidget>

// A filled circle of a fixed diameter.
class ColourDot : public QWidget
{
    Q_OBJECT

public:
    ColourDot(const QColor &colour, int diameter, QWidget *parent = nullptr);

    QColor colour() const { return m_colour; }
    void setColour(const QColor &colour);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_colour;
};
