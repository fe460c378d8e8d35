#include "ExpandableResponseButton.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/Symbols.h"

#include <QPainter>
#include <QtMath>

namespace {
constexpr qreal iconSide = 40;
constexpr qreal maxLabelWidth = 60;
constexpr qreal pillPaddingH = 16;
constexpr qreal labelGap = 4;
// A symbol at a 16-pixel font fills about 18 pixels.
constexpr int symbolSize = 18;

// 11.2 at rest, 16 fully widened.
qreal horizontalPadding(qreal look)
{
    return pillPaddingH - pillPaddingH * 0.3 * (1 - look);
}
} // namespace

ExpandableResponseButton::ExpandableResponseButton(const QString &icon, const QString &label, bool isHovered,
    std::function<void()> onTap, std::function<void(bool)> onHover, QWidget *parent)
    : HoverButton(isHovered, std::move(onTap), std::move(onHover), Motion::spring(0.4, 0.75), parent)
    , m_icon(icon)
{
    setText(label);
    setAccessibleName(label);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

qreal ExpandableResponseButton::pillWidth(qreal look)
{
    return 2 * horizontalPadding(look) + iconSide + (labelGap + maxLabelWidth) * look;
}

QSize ExpandableResponseButton::sizeHint() const
{
    return QSize(qCeil(pillWidth(qMax<qreal>(0, hoverLook())) - 0.01), pillHeight);
}

void ExpandableResponseButton::paintEvent(QPaintEvent *)
{
    const qreal look = qMax<qreal>(0, hoverLook());
    const qreal padding = horizontalPadding(look);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF capsule(0, 0, qMin<qreal>(width(), pillWidth(look)), height());
    paintCapsule(painter, capsule, Palette::withOpacity(Palette::ultraThinMaterial(), 0.8),
        Palette::withOpacity(Qt::white, 0.3), 0.5);

    const qreal centreY = height() / 2.0;
    QRectF symbol(0, 0, symbolSize, symbolSize);
    symbol.moveCenter(QPointF(padding + iconSide / 2, centreY));
    Symbols::icon(m_icon, Palette::primaryLabel(), symbolSize)
        .paint(&painter, symbol.toRect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);

    if (look <= 0)
        return;
    const QRectF box(padding + iconSide + labelGap * look, 0, maxLabelWidth * look, height());
    painter.setClipRect(box);
    painter.setOpacity(qMin<qreal>(1, look));
    const QFont font = Fonts::system(13, QFont::Medium);
    painter.setFont(font);
    painter.setPen(Palette::primaryLabel());
    const QString shown = QFontMetricsF(font).elidedText(text(), Qt::ElideRight, box.width());
    // Narrower than its own size until fully revealed, from its leading edge.
    painter.translate(box.left(), centreY);
    painter.scale(0.95 + 0.05 * look, 1);
    painter.translate(-box.left(), -centreY);
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, shown);
}
