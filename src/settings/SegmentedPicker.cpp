#include "SegmentedPicker.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int controlHeight = 24;
constexpr qreal outerRadius = 6;
constexpr qreal innerRadius = 5;
constexpr qreal inset = 2;

} // namespace

SegmentedPicker::SegmentedPicker(const QStringList &options, QWidget *parent)
    : QWidget(parent)
    , m_options(options)
{
    setFont(Fonts::system(13));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(controlHeight);
}

void SegmentedPicker::setCurrentText(const QString &text)
{
    if (m_current == text)
        return;
    m_current = text;
    update();
}

QRect SegmentedPicker::segmentRect(int index) const
{
    if (index < 0 || index >= m_options.size())
        return {};
    // Each segment is as wide as its text plus an equal share of the rest,
    // so that a long option is not cut while short ones have room to spare.
    const QFontMetricsF metrics(font());
    QList<qreal> textWidths;
    qreal allText = 0;
    for (const QString &option : m_options) {
        textWidths.append(metrics.horizontalAdvance(option));
        allText += textWidths.last();
    }
    const qreal share = qMax(0.0, (width() - allText) / m_options.size());
    qreal left = 0;
    for (int before = 0; before < index; ++before)
        left += textWidths.at(before) + share;
    const qreal right = index == m_options.size() - 1 ? width() : left + textWidths.at(index) + share;
    return QRect(QPoint(qRound(left), 0), QPoint(qRound(right) - 1, height() - 1));
}

QSize SegmentedPicker::sizeHint() const
{
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const QString &option : m_options)
        widest = qMax(widest, metrics.horizontalAdvance(option));
    return QSize(int(m_options.size()) * (widest + 20), controlHeight);
}

void SegmentedPicker::choose(int index)
{
    if (index < 0 || index >= m_options.size())
        return;
    setCurrentText(m_options.at(index));
    Q_EMIT activated(m_current);
}

void SegmentedPicker::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    for (int index = 0; index < m_options.size(); ++index) {
        if (segmentRect(index).contains(event->position().toPoint()))
            choose(index);
    }
}

void SegmentedPicker::keyPressEvent(QKeyEvent *event)
{
    const int current = int(m_options.indexOf(m_current));
    if (event->key() == Qt::Key_Left)
        choose(current < 0 ? 0 : current - 1);
    else if (event->key() == Qt::Key_Right)
        choose(current < 0 ? 0 : current + 1);
    else
        QWidget::keyPressEvent(event);
}

void SegmentedPicker::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.5);

    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(Palette::separator(), 1));
    painter.setBrush(Palette::isDark() ? QColor(255, 255, 255, 20) : QColor(0, 0, 0, 13));
    painter.drawRoundedRect(area, outerRadius, outerRadius);

    const int chosen = int(m_options.indexOf(m_current));
    for (int index = 0; index < m_options.size(); ++index) {
        const QRectF segment = segmentRect(index);
        if (index == chosen) {
            const QRectF knob = segment.adjusted(inset, inset, -inset, -inset);
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0, 0, 0, 25));
            painter.drawRoundedRect(knob.translated(0, 0.5), innerRadius, innerRadius);
            painter.setBrush(Palette::isDark() ? QColor(100, 100, 100) : QColor(Qt::white));
            painter.drawRoundedRect(knob, innerRadius, innerRadius);
        } else if (index > 0 && index - 1 != chosen) {
            // A thin line between two unchosen neighbours.
            painter.setPen(QPen(Palette::separator(), 1));
            const qreal x = segment.left() + 0.5;
            painter.drawLine(QPointF(x, segment.top() + 6), QPointF(x, segment.bottom() - 6));
        }
        painter.setPen(Palette::primaryLabel());
        painter.setFont(font());
        painter.drawText(segment, Qt::AlignCenter | Qt::TextSingleLine,
            painter.fontMetrics().elidedText(m_options.at(index), Qt::ElideRight, int(segment.width()) - 4));
    }

    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        painter.setPen(QPen(Palette::withOpacity(Palette::settingsAccent(), 0.5), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), outerRadius, outerRadius);
    }
}
