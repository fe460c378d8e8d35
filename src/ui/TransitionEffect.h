#pragma once

#include <QGraphicsEffect>
#include <QPointF>

// Draws a widget, with its children, faded, scaled about its centre and
// moved: the look of a view that is coming in or going out. At full opacity,
// scale 1 and no offset the widget is drawn as it is.
class TransitionEffect : public QGraphicsEffect
{
    Q_OBJECT

public:
    explicit TransitionEffect(QObject *parent = nullptr);

    void setLook(qreal opacity, qreal scale, const QPointF &offset = QPointF());

    QRectF boundingRectFor(const QRectF &rect) const override;

protected:
    void draw(QPainter *painter) override;

private:
    bool isIdentity() const;

    qreal m_opacity = 1;
    qreal m_scale = 1;
    QPointF m_offset;
};
