#include "ConversationThumbnails.h"

#include "platform/Background.h"
#include "platform/ImageData.h"
#include "store/Conversation.h"

#include <QtMath>

ConversationThumbnails::ConversationThumbnails(int side, qreal devicePixelRatio, QObject *parent)
    : QObject(parent)
    , m_side(side)
    , m_devicePixelRatio(devicePixelRatio)
{ }

std::optional<QImage> ConversationThumbnails::thumbnail(const Conversation &conversation, QWidget *requester)
{
    const QUuid id = conversation.id();
    if (const auto ready = m_ready.constFind(id); ready != m_ready.constEnd())
        return *ready;
    const std::optional<QByteArray> &png = conversation.screenshotData();
    if (!png) {
        m_ready.insert(id, QImage());
        return QImage();
    }
    const bool started = m_pending.contains(id);
    if (requester && !m_pending[id].contains(requester))
        m_pending[id].append(requester);
    if (!started) {
        const int side = m_side;
        const qreal ratio = m_devicePixelRatio;
        Background::run([png = *png, side, ratio] {
            return makeThumbnail(png, side, ratio);
        }).then(this, [this, id](const QImage &image) {
            m_pending.remove(id);
            m_ready.insert(id, image);
            Q_EMIT thumbnailReady(id);
        });
    }
    return std::nullopt;
}

QImage ConversationThumbnails::makeThumbnail(const QByteArray &png, int side, qreal devicePixelRatio)
{
    const QImage image = ImageData::imageFromPng(png);
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
