#pragma once

#include <QAbstractButton>
#include <QColor>

// A button whose label is whatever widgets its layout holds, drawn on a
// rounded rectangle of one colour (none when the colour is transparent). The
// label dims while the button is held down; there is no hover effect.
//
// It takes no keyboard focus unless made to (setFocusPolicy); one that does
// shows the focus as a ring along its edge, is pressed by Space, Return and
// Enter, and passes the focus on with the arrow keys as Tab does.
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
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void setDimmed(bool dimmed);

    QColor m_fill;
    qreal m_cornerRadius;
};
