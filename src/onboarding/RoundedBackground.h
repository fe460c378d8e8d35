#pragma once

#include <QColor>
#include <QWidget>

// A container drawn as a rounded rectangle of one colour, under whatever its
// layout holds.
class RoundedBackground : public QWidget
{
    Q_OBJECT

public:
    RoundedBackground(const QColor &fill, qreal cornerRadius, QWidget *parent = nullptr);

    QColor fill() const { return m_fill; }
    void setFill(const QColor &fill);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fill;
    qreal m_cornerRadius;
};
