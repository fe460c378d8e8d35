#include "ConversationThumbnail.h"

#include "platform/ImageData.h"
#include "ui/Palette.h"
#include "ui/Symbols.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

constexpr qreal cornerRadius = 4;
constexpr int placeholderSize = 16;

} // namespace

ConversationThumbnail::ConversationThumbnail(const std::optional<QImage> &image, QWidget *parent)
    : QWidget(parent)
    , m_image(image)
{
    setFixedSize(side, side);
}

void ConversationThumbnail::setImage(const QImage &image)
{
    m_image = image;
    update();
}

QImage ConversationThumbnail::thumbnailImage(
    const std::optional<QByteArray> &screenshotData, qreal devicePixelRatio)
{
    if (!screenshotData)
        return {};
    const QImage image = ImageData::imageFromPng(*screenshotData);
    if (image.isNull())
        return {};
    const int pixels = qCeil(side * devicePixelRatio);
    const QImage filled
        = image.scaled(pixels, pixels, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    QImage thumbnail
        = filled.copy((filled.width() - pixels) / 2, (filled.height() - pixels) / 2, pixels, pixels);
    thumbnail.setDevicePixelRatio(devicePixelRatio);
    return thumbnail;
}

void ConversationThumbnail::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    if (!m_image) {
        painter.fillPath(clip, Palette::withOpacity(Palette::quaternaryLabel(), 0.3));
        return;
    }
    if (m_image->isNull()) {
        QRect symbol(0, 0, placeholderSize, placeholderSize);
        symbol.moveCenter(rect().center());
        Symbols::icon(QStringLiteral("photo"), Palette::secondaryLabel(), placeholderSize)
            .paint(&painter, symbol);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setClipPath(clip);
    painter.drawImage(rect(), *m_image);
}
