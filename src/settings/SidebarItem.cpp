#include "SidebarItem.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/Symbols.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int horizontalPadding = 16;
constexpr int verticalPadding = 10;
constexpr int symbolFrame = 20;
constexpr int symbolSize = 16;
constexpr int spacing = 12;
constexpr qreal cornerRadius = 8;

QFont titleFont()
{
    return Fonts::system(15, QFont::Medium);
}

} // namespace

SidebarItem::SidebarItem(
    SettingsCategory category, bool isSelected, std::function<void()> onSelect, QWidget *parent)
    : QAbstractButton(parent)
    , m_category(category)
    , m_isSelected(isSelected)
    , m_onSelect(std::move(onSelect))
{
    setText(SettingsCategories::title(category));
    setAccessibleName(text());
    setFont(titleFont());
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_onSelect)
            m_onSelect();
    });
}

void SidebarItem::setSelected(bool selected)
{
    if (m_isSelected == selected)
        return;
    m_isSelected = selected;
    update();
}

QSize SidebarItem::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int width
        = horizontalPadding + symbolFrame + spacing + metrics.horizontalAdvance(text()) + horizontalPadding;
    return QSize(width, qMax(symbolFrame, metrics.height()) + 2 * verticalPadding);
}

QSize SidebarItem::minimumSizeHint() const
{
    return QSize(horizontalPadding + symbolFrame + horizontalPadding, sizeHint().height());
}

void SidebarItem::keyPressEvent(QKeyEvent *event)
{
    // Return and Enter select the focused item as the space bar does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void SidebarItem::focusInEvent(QFocusEvent *event)
{
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
}

void SidebarItem::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor accent = SettingsCategories::color(m_category);
    if (m_isSelected) {
        QPainterPath fill;
        fill.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
        painter.fillPath(fill, accent);
    }
    if (hasFocus() && m_keyboardFocus) {
        // White inside the accent fill, the accent on nothing.
        painter.setPen(
            QPen(m_isSelected ? Palette::withOpacity(Qt::white, 0.7) : Palette::withOpacity(accent, 0.5), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(
            QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), cornerRadius - 1, cornerRadius - 1);
    }

    const QRect content
        = rect().adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    QRect icon(0, 0, symbolSize, symbolSize);
    icon.moveCenter(QRect(content.left(), content.top(), symbolFrame, content.height()).center());
    Symbols::icon(SettingsCategories::icon(m_category), m_isSelected ? QColor(Qt::white) : accent, symbolSize)
        .paint(&painter, icon);

    const QRect title = content.adjusted(symbolFrame + spacing, 0, 0, 0);
    painter.setFont(font());
    painter.setPen(m_isSelected ? QColor(Qt::white) : Palette::primaryLabel());
    painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
        QFontMetrics(font()).elidedText(text(), Qt::ElideRight, title.width()));
}
