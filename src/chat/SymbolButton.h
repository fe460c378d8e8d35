#pragma once

#include <QAbstractButton>
#include <QColor>

#include <optional>

// A plain button drawn as one symbol, centred in a square frame, optionally
// on a filled circle with an outline and a soft shadow. Its details (the
// cut-outs of a filled symbol) may take a colour of their own. It dims while
// held down and can be drawn faded and scaled about its centre (by itself,
// so that it shows inside a view that has a graphics effect).
class SymbolButton : public QAbstractButton
{
    Q_OBJECT

public:
    struct Look
    {
        QString symbol;
        QColor colour;
        int symbolSize = 16;
        int frameSide = 16;
        QColor detailColour = Qt::transparent;
        std::optional<QColor> circleFill;
        // The circle's diameter, centred in the frame; the frame's side when 0.
        int circleDiameter = 0;
        std::optional<QColor> circleOutline;
        bool shadow = false;
    };

    explicit SymbolButton(const Look &look, QWidget *parent = nullptr);

    const Look &look() const { return m_look; }
    void setColour(const QColor &colour);
    void setScale(qreal scale);
    qreal scale() const { return m_scale; }
    void setOpacity(qreal opacity);
    qreal opacity() const { return m_opacity; }

    QSize sizeHint() const override { return QSize(m_look.frameSide, m_look.frameSide); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Look m_look;
    qreal m_scale = 1;
    qreal m_opacity = 1;
};
