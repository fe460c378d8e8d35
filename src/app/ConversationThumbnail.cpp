#include "ConversationThumbnail.h"

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
