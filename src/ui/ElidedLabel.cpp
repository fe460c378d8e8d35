#include "ElidedLabel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

namespace {

QString oneLine(QString text)
{
    for (const QChar lineBreak :
        { QChar(u'\n'), QChar(u'\r'), QChar(QChar::LineSeparator), QChar(QChar::ParagraphSeparator) })
        text.replace(lineBreak, QLatin1Char(' '));
    return text;
}

} // namespace

ElidedLabel::ElidedLabel(const QString &text, const QFont &font, const QColor &colour, QWidget *parent)
    : QWidget(parent)
    , m_text(text)
    , m_line(oneLine(text))
{
    setFont(font);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, colour);
    setPalette(palette);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ElidedLabel::setText(const QString &text)
{
    m_text = text;
    m_line = oneLine(text);
    updateGeometry();
    update();
}

QString ElidedLabel::displayedText() const
{
    return fontMetrics().elidedText(m_line, Qt::ElideRight, width());
}

QSize ElidedLabel::sizeHint() const
{
    // Whole pixels, rounded up: a width a fraction short would cut the text.
    return QSize(qCeil(QFontMetricsF(font()).horizontalAdvance(m_line)) + 1, fontMetrics().height());
}

QSize ElidedLabel::minimumSizeHint() const
{
    return QSize(0, fontMetrics().height());
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, displayedText());
}
