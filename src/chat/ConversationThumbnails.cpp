#include "ConversationThumbnails.h"

#include "platform/Background.h"
#include "platform/ImageData.h"
#include "store/Conversation.h"

#include <QtMath>

ConversationThumbnails::ConversationThumbnails(int side, QObject *parent)
    : QObject(parent)
    , m_side(side)
{ }

std::optional<QImage> ConversationThumbnails::thumbnail(
    const Conversation &conversation, qreal devicePixelRatio, QWidget *requester)
{
    const Key key { conversation.id(), devicePixelRatio };
    if (const auto ready = m_ready.constFind(key); ready != m_ready.constEnd())
        return *ready;
    if (!conversation.hasScreenshot()) {
        m_ready.insert(key, QImage());
        return QImage();
    }
    const bool started = m_pending.contains(key);
    QList<QPointer<QWidget>> &waiting = m_pending[key];
    if (requester && !waiting.contains(requester))
        waiting.append(requester);
    if (!started) {
        // The small picture kept beside the stored conversation (made from
        // its screenshot the first time): the screenshot itself is neither
        // read nor decoded again.
        const QFuture<QImage> decoding = Background::run([conversation, side = m_side, devicePixelRatio] {
            const std::optional<QByteArray> png = conversation.thumbnailData();
            return png ? makeThumbnail(*png, side, devicePixelRatio) : QImage();
        });
        Background::whenFinished(decoding, this, [this, key](const QImage &image) {
            const QList<QPointer<QWidget>> requesters = m_pending.take(key);
            m_ready.insert(key, image);
            for (const QPointer<QWidget> &widget : requesters) {
                if (widget)
                    widget->update();
            }
            Q_EMIT thumbnailReady(key.first, key.second, image);
        });
    }
    return std::nullopt;
}

void ConversationThumbnails::prefetch(const QList<Conversation> &conversations, qreal devicePixelRatio)
{
    for (const Conversation &conversation : conversations)
        thumbnail(conversation, devicePixelRatio);
}

void ConversationThumbnails::retainOnly(const QSet<QUuid> &ids)
{
    m_ready.removeIf([&ids](const auto &entry) { return !ids.contains(entry.key().first); });
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
