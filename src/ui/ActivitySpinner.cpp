#include "ActivitySpinner.h"

#include "Palette.h"

#include <QPainter>

namespace {
constexpr int spokes = 8;
} // namespace

ActivitySpinner::ActivitySpinner(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_turn.setStartValue(0);
    m_turn.setEndValue(spokes);
    m_turn.setDuration(1000);
    m_turn.setLoopCount(-1);
    connect(&m_turn, &QVariantAnimation::valueChanged, this, [this] { update(); });
}

void ActivitySpinner::setLook(qreal scale, qreal presence)
{
    m_scale = scale;
    m_presence = presence;
    update();
}

void ActivitySpinner::setColour(const QColor &colour)
{
    m_colour = colour;
    update();
}

void ActivitySpinner::showEvent(QShowEvent *event)
{
    m_turn.start();
    QWidget::showEvent(event);
}

void ActivitySpinner::hideEvent(QHideEvent *event)
{
    m_turn.stop();
    QWidget::hideEvent(event);
}

void ActivitySpinner::paintEvent(QPaintEvent *)
{
    if (m_presence <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(qMin<qreal>(1, m_presence));
    const QPointF centre = QRectF(rect()).center();
    const qreal side = qMin(width(), height());
    painter.translate(centre);
    painter.scale(m_scale * m_presence, m_scale * m_presence);

    // The leading spoke is darkest; the ones behind it fade.
    const int leading = m_turn.currentValue().toInt() % spokes;
    const qreal outer = side / 2;
    const qreal inner = side / 4;
    QColor colour = m_colour.isValid() ? m_colour : Palette::secondaryLabel();
    const float alpha = colour.alphaF();
    for (int i = 0; i < spokes; ++i) {
        const int age = (leading - i + spokes) % spokes;
        colour.setAlphaF(alpha * (1.0f - 0.8f * float(age) / spokes));
        painter.setPen(QPen(colour, side / 10, Qt::SolidLine, Qt::RoundCap));
        painter.save();
        painter.rotate(360.0 * i / spokes);
        painter.drawLine(QPointF(0, -inner), QPointF(0, -outer + side / 20));
        painter.restore();
    }
}
