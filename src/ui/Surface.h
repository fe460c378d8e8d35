#pragma once

#include <QColor>
#include <QWidget>

// A plain area painted in one colour, square or with rounded corners: the
// chat window's panels, dividers and bubbles, the onboarding card and rows.
class Surface : public QWidget
{
    Q_OBJECT

public:
    explicit Surface(const QColor &fill = Qt::transparent, qreal cornerRadius = 0, QWidget *parent = nullptr);

    // A one-pixel line across the width, in the separator colour.
    static Surface *divider(QWidget *parent = nullptr);

    QColor fill() const { return m_fill; }
    void setFill(const QColor &fill);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fill;
    qreal m_cornerRadius;
};
