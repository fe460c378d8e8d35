#pragma once

#include "store/Conversation.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QUuid>

#include <optional>
#include <utility>

// The small pictures of saved conversations that the tray panel shows. A
// screenshot takes tens of milliseconds to decode, so each is decoded once,
// on the thread pool, and announced when it is ready: opening the panel
// never waits for one.
class ConversationThumbnails : public QObject
{
    Q_OBJECT

public:
    explicit ConversationThumbnails(QObject *parent = nullptr);

    // The conversation's thumbnail at the device pixel ratio once it is
    // decoded: a null image when it has no screenshot that decodes as an
    // image. Until then nothing, and a decode is started if none runs.
    std::optional<QImage> thumbnail(const Conversation &conversation, qreal devicePixelRatio);

    // Starts the decodes of these conversations' thumbnails ahead of a request.
    void prefetch(const QList<Conversation> &conversations, qreal devicePixelRatio);

    // Forgets every thumbnail but those of these conversations.
    void retainOnly(const QSet<QUuid> &ids);

Q_SIGNALS:
    void thumbnailReady(const QUuid &id, qreal devicePixelRatio, const QImage &image);

private:
    using Key = std::pair<QUuid, qreal>;

    QHash<Key, QImage> m_ready;
    QSet<Key> m_decoding;
};
