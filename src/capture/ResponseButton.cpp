#include "ResponseButton.h"

#include "ui/Palette.h"
#include "ui/Symbols.h"

#include <QPainter>

namespace {
constexpr qreal discSide = 40;
constexpr int symbolSize = 18;
} // namespace

ResponseButton::ResponseButton(const QString &icon, bool isHovered, std::function<void()> onTap,
    std::function<void(bool)> onHover, QWidget *parent)
    // The look of an interactive spring: response 0.3 s, damping 0.7.
    : HoverButton(isHovered, std::move(onTap), std::move(onHover), Motion::spring(0.3, 0.7), parent)
    , m_icon(icon)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ResponseButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(discScale(), discScale());
    painter.translate(-centre);

    QRectF disc(0, 0, discSide, discSide);
    disc.moveCenter(centre);
    const QColor fill = Palette::withOpacity(Palette::ultraThinMaterial(), 0.8);
    const QColor outline = Palette::withOpacity(Qt::white, 0.3);
    painter.setPen(QPen(outline, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(disc, discSide / 2, discSide / 2);

    QRectF symbol(0, 0, symbolSize, symbolSize);
    symbol.moveCenter(centre);
    Symbols::icon(m_icon, Palette::primaryLabel(), symbolSize).paint(&painter, symbol.toRect());
}
