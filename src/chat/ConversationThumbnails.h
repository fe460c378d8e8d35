#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUuid>
#include <QWidget>

#include <optional>
#include <utility>

class Conversation;

// The small square pictures of saved conversations that lists show (the
// chat window's sidebar, the tray panel). A screenshot takes tens of
// milliseconds to decode, so each picture is made once, on the thread pool,
// the first time it is asked for, and announced when it is ready: neither
// opening a list nor scrolling it waits for a decode. It is made from the
// small picture the store keeps beside the conversation, and only for rows
// that are drawn.
class ConversationThumbnails : public QObject
{
    Q_OBJECT

public:
    // `side` is the square's side in logical pixels.
    explicit ConversationThumbnails(int side, QObject *parent = nullptr);

    // The picture at the device pixel ratio when it is ready; a null image
    // when the conversation has no screenshot or its bytes are no image.
    // Nothing while it is being made: the first call starts that, and
    // thumbnailReady follows; the widget that asked, if given, is repainted then.
    std::optional<QImage> thumbnail(
        const Conversation &conversation, qreal devicePixelRatio, QWidget *requester = nullptr);

    // Starts making these conversations' pictures ahead of a request.
    void prefetch(const QList<Conversation> &conversations, qreal devicePixelRatio);

    // Forgets every picture but those of these conversations.
    void retainOnly(const QSet<QUuid> &ids);

    // The screenshot scaled to fill the square, cropped to its middle; a
    // null image for bytes that are no image.
    static QImage makeThumbnail(const QByteArray &png, int side, qreal devicePixelRatio);

Q_SIGNALS:
    void thumbnailReady(const QUuid &conversationId, qreal devicePixelRatio, const QImage &image);

private:
    using Key = std::pair<QUuid, qreal>;

    int m_side;
    QHash<Key, QImage> m_ready;
    // The widgets waiting for each picture being made.
    QHash<Key, QList<QPointer<QWidget>>> m_pending;
};
