#include "IconBadge.h"

#include "ui/Palette.h"
#include "ui/SoftShadow.h"
#include "ui/Symbols.h"

#include <QPainter>

namespace {

constexpr int symbolSize = 32;

} // namespace

IconBadge::IconBadge(const QColor &colour, const QString &symbol, QWidget *parent)
    : QWidget(parent)
    , m_colour(colour)
    , m_symbol(symbol)
{
    setFixedSize(side, side);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void IconBadge::setLook(const QColor &colour, const QString &symbol)
{
    m_colour = colour;
    m_symbol = symbol;
    update();
}

void IconBadge::paintShadow(QPainter &painter, const QRectF &rect)
{
    SoftShadow::paintRoundedRect(
        painter, rect, rect.width() / 2, Palette::withOpacity(Qt::black, 0.1), 20, QPointF(0, 8));
}

void IconBadge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(rect());
    QLinearGradient gradient(disc.topLeft(), disc.bottomRight());
    gradient.setColorAt(0, m_colour);
    gradient.setColorAt(1, Palette::withOpacity(m_colour, 0.8));
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawEllipse(disc);

    QRectF symbol(0, 0, symbolSize, symbolSize);
    symbol.moveCenter(disc.center());
    Symbols::icon(m_symbol, Qt::white, symbolSize).paint(&painter, symbol.toRect());
}
