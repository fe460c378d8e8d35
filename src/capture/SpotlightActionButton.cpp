#include "SpotlightActionButton.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/Symbols.h"

#include <QPainter>
#include <QtMath>

namespace {
constexpr qreal iconSide = 20;
constexpr qreal maxLabelWidth = 110;
constexpr qreal pillPaddingH = 12;
constexpr qreal pillPaddingV = 12;
constexpr qreal titleGap = 6;
// A symbol at a 14-pixel font fills about 16 pixels.
constexpr int symbolSize = 16;

// The look of an interactive spring: response 0.28 s, damping 0.85.
Motion hoverMotion()
{
    return Motion::spring(0.28, 0.85);
}
} // namespace

SpotlightActionButton::SpotlightActionButton(QuickAction action, bool isHovered, std::function<void()> onTap,
    std::function<void(bool)> onHover, QWidget *parent)
    : HoverButton(isHovered, std::move(onTap), std::move(onHover), hoverMotion(), parent)
    , m_action(action)
{
    setText(QuickActions::rawValue(action));
    setAccessibleName(QuickActions::rawValue(action));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

qreal SpotlightActionButton::pillWidth(qreal look)
{
    return pillPaddingH + iconSide + (titleGap + maxLabelWidth) * look + pillPaddingH;
}

QSize SpotlightActionButton::sizeHint() const
{
    return QSize(qCeil(pillWidth(qMax<qreal>(0, hoverLook())) - 0.01), pillHeight);
}

void SpotlightActionButton::paintEvent(QPaintEvent *)
{
    const qreal look = qMax<qreal>(0, hoverLook());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // The capsule, its outline drawn just inside its edge.
    const QRectF capsule(0, 0, qMin<qreal>(width(), pillWidth(look)), height());
    // The pills stand straight over the screen: their titles must not have
    // the screen's text running through them.
    paintCapsule(painter, capsule, Palette::screenFill(Palette::ultraThinMaterial(), 0.9),
        Palette::withOpacity(Qt::white, 0.2), 1);

    const qreal centreY = pillPaddingV + iconSide / 2;
    QRectF symbol(0, 0, symbolSize, symbolSize);
    symbol.moveCenter(QPointF(pillPaddingH + iconSide / 2, centreY));
    Symbols::icon(QuickActions::icon(m_action), Palette::primaryLabel(), symbolSize)
        .paint(&painter, symbol.toRect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);

    if (look <= 0)
        return;
    // The title, centred in a box that widens with the look, clipped to it,
    // drawn a little narrower than its own size until fully revealed.
    const QRectF box(pillPaddingH + iconSide + titleGap * look, 0, maxLabelWidth * look, height());
    painter.setClipRect(box);
    painter.setOpacity(qMin<qreal>(1, look));
    const QFont font = Fonts::system(13, QFont::Medium);
    painter.setFont(font);
    painter.setPen(Palette::primaryLabel());
    const QString title = QFontMetricsF(font).elidedText(text(), Qt::ElideRight, box.width());
    const qreal scale = 0.98 + 0.02 * look;
    painter.translate(box.left(), centreY);
    painter.scale(scale, scale);
    painter.translate(-box.left(), -centreY);
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, title);
}
