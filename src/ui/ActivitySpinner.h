#pragma once

#include <QVariantAnimation>
#include <QWidget>

// An indeterminate progress spinner: a ring of fading spokes turning once a
// second while it is shown. It is drawn at a scale and opacity its owner
// sets, about its centre; its layout size does not change with them.
class ActivitySpinner : public QWidget
{
    Q_OBJECT

public:
    explicit ActivitySpinner(QWidget *parent = nullptr);

    // scale × presence about the centre, at opacity presence.
    void setLook(qreal scale, qreal presence);
    // The colour of the leading spoke; the secondary label colour unless set.
    void setColour(const QColor &colour);

    QSize sizeHint() const override { return QSize(20, 20); }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QVariantAnimation m_turn;
    qreal m_scale = 1;
    qreal m_presence = 1;
    QColor m_colour;
};
