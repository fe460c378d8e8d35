#include "HoverActionButton.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/Symbols.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

constexpr int symbolSize = 12;
constexpr int spacing = 6;
constexpr int horizontalPadding = 12;
constexpr int verticalPadding = 8;
constexpr qreal cornerRadius = 8;

QFont titleFont()
{
    return Fonts::custom(QString::fromLatin1(Fonts::hafferMedium), 13);
}

QColor mix(const QColor &from, const QColor &to, qreal t)
{
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * t),
        float(from.greenF() + (to.greenF() - from.greenF()) * t),
        float(from.blueF() + (to.blueF() - from.blueF()) * t),
        float(from.alphaF() + (to.alphaF() - from.alphaF()) * t));
}

} // namespace

HoverActionButton::HoverActionButton(
    const QString &title, const QString &systemImage, std::function<void()> action, QWidget *parent)
    : HoverButton(false, std::move(action), nullptr, Motion::spring(0.15, 1), parent)
    , m_title(title)
    , m_systemImage(systemImage)
{
    setFont(titleFont());
    setAccessibleName(title);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QColor HoverActionButton::foregroundColour() const
{
    return mix(Palette::primaryLabel(), Qt::white, qBound(0.0, hoverLook(), 1.0));
}

QColor HoverActionButton::backgroundColour() const
{
    return mix(Palette::withOpacity(Palette::quaternaryLabel(), 0.5), Palette::orange(),
        qBound(0.0, hoverLook(), 1.0));
}

QSize HoverActionButton::sizeHint() const
{
    const QFontMetricsF metrics(titleFont());
    const qreal width = horizontalPadding * 2 + symbolSize + spacing + metrics.horizontalAdvance(m_title);
    const qreal height = verticalPadding * 2 + qMax<qreal>(symbolSize, metrics.height());
    return QSize(qCeil(width), qCeil(height));
}

void HoverActionButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath plate;
    plate.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(plate, backgroundColour());

    const QColor foreground = foregroundColour();
    const QRect symbol(horizontalPadding, (height() - symbolSize) / 2, symbolSize, symbolSize);
    Symbols::icon(m_systemImage, foreground, symbolSize).paint(&painter, symbol);
    painter.setFont(titleFont());
    painter.setPen(foreground);
    const QRectF text(symbol.right() + 1 + spacing, 0, width() - symbol.right() - 1 - spacing, height());
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, m_title);
}
