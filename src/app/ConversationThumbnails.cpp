#include "ConversationThumbnails.h"

#include "app/ConversationThumbnail.h"
#include "platform/Background.h"

ConversationThumbnails::ConversationThumbnails(QObject *parent)
    : QObject(parent)
{ }

std::optional<QImage> ConversationThumbnails::thumbnail(
    const Conversation &conversation, qreal devicePixelRatio)
{
    const Key key { conversation.id(), devicePixelRatio };
    if (const auto ready = m_ready.constFind(key); ready != m_ready.cend())
        return *ready;
    if (!conversation.screenshotData()) {
        m_ready.insert(key, QImage());
        return QImage();
    }
    if (!m_decoding.contains(key)) {
        m_decoding.insert(key);
        // Implicitly shared: the worker reads the bytes without a copy.
        const QByteArray bytes = *conversation.screenshotData();
        Background::run([bytes, devicePixelRatio] {
            return ConversationThumbnail::thumbnailImage(bytes, devicePixelRatio);
        }).then(this, [this, key](const QImage &image) {
            m_decoding.remove(key);
            m_ready.insert(key, image);
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
