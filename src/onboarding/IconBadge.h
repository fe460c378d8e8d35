#pragma once

#include <QColor>
#include <QWidget>

class QPainter;

// The round badge that opens an onboarding step: an 80-pixel disc shaded
// from its colour at the top left to a lighter tone at the bottom right,
// with a white symbol in the middle. Its soft shadow reaches beyond its own
// square, so the step it stands in paints it (paintShadow).
class IconBadge : public QWidget
{
    Q_OBJECT

public:
    IconBadge(const QColor &colour, const QString &symbol, QWidget *parent = nullptr);

    void setLook(const QColor &colour, const QString &symbol);
    QColor colour() const { return m_colour; }
    QString symbol() const { return m_symbol; }

    // The shadow of a badge at `rect` (in the painter's coordinates).
    static void paintShadow(QPainter &painter, const QRectF &rect);

    static constexpr int side = 80;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_colour;
    QString m_symbol;
};
