#include "ScreenshotImageView.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/SoftShadow.h"
#include "ui/Symbols.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

constexpr qreal cornerRadius = 12;
constexpr int placeholderHeight = 200;

QFont placeholderFont()
{
    return Fonts::custom(QString::fromLatin1(Fonts::hafferRegular), 15);
}

} // namespace

ScreenshotImageView::ScreenshotImageView(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ScreenshotImageView::setImage(const std::optional<QImage> &image)
{
    m_image = image && !image->isNull() ? image : std::nullopt;
    m_scaled = QImage();
    updateGeometry();
    update();
}

int ScreenshotImageView::heightForWidth(int width) const
{
    const int inner = qMax(1, width - shadowMargins.left() - shadowMargins.right());
    int picture = placeholderHeight;
    if (m_image) {
        const QSizeF size = m_image->deviceIndependentSize();
        picture = size.width() > 0 ? qCeil(inner * size.height() / size.width()) : 0;
    }
    return picture + shadowMargins.top() + shadowMargins.bottom();
}

QSize ScreenshotImageView::sizeHint() const
{
    const int width = 368;
    return QSize(width, heightForWidth(width));
}

QRectF ScreenshotImageView::pictureRect() const
{
    const QRect inner = rect().marginsRemoved(shadowMargins);
    if (!m_image)
        return QRectF(inner.left(), inner.top(), inner.width(), placeholderHeight);
    const QSizeF size = m_image->deviceIndependentSize();
    const qreal height = size.width() > 0 ? inner.width() * size.height() / size.width() : 0;
    return QRectF(inner.left(), inner.top(), inner.width(), height);
}

void ScreenshotImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF picture = pictureRect();
    QPainterPath shape;
    shape.addRoundedRect(picture, cornerRadius, cornerRadius);

    if (!m_image) {
        painter.fillPath(shape, Palette::withOpacity(Palette::quaternaryLabel(), 0.5));
        const QFontMetricsF metrics(placeholderFont());
        const qreal stack = 32 + 8 + metrics.height();
        const qreal top = picture.center().y() - stack / 2;
        const QRect symbol(qRound(picture.center().x() - 16), qRound(top), 32, 32);
        Symbols::icon(QStringLiteral("photo.on.rectangle"), Palette::tertiaryLabel(), 32)
            .paint(&painter, symbol);
        painter.setFont(placeholderFont());
        painter.setPen(Palette::secondaryLabel());
        painter.drawText(QRectF(picture.left(), top + 40, picture.width(), metrics.height()), Qt::AlignCenter,
            QStringLiteral("No Image"));
        return;
    }

    SoftShadow::paintRoundedRect(painter, picture, cornerRadius, QColor(0, 0, 0, 26), 8, QPointF(0, 4));
    painter.save();
    painter.setClipPath(shape);
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (picture.size() * ratio).toSize();
    // A smaller copy is made once, for a sharp picture. An image drawn
    // larger than it is (a narrow, tall one can be hundreds of thousands of
    // pixels high here) is scaled as it is drawn, only where it shows.
    const bool shrinks = pixels.width() < m_image->width() || pixels.height() < m_image->height();
    if (shrinks && m_scaled.size() != pixels && !pixels.isEmpty()) {
        m_scaled = m_image->scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_scaled.setDevicePixelRatio(ratio);
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(picture, shrinks && m_scaled.size() == pixels ? m_scaled : *m_image);
    painter.restore();
    painter.setPen(QPen(Palette::quaternaryLabel(), 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
}
