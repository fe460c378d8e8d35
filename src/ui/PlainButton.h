#pragma once

#include <QAbstractButton>
#include <QColor>

// A button whose label is whatever widgets its layout holds, drawn on a
// rounded rectangle of one colour (none when the colour is transparent). The
// label dims while the button is held down; there is no hover effect.
class PlainButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit PlainButton(
        const QColor &fill = Qt::transparent, qreal cornerRadius = 0, QWidget *parent = nullptr);

    QColor fill() const { return m_fill; }
    qreal cornerRadius() const { return m_cornerRadius; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void setDimmed(bool dimmed);

    QColor m_fill;
    qreal m_cornerRadius;
};
