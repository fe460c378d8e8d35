#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <optional>

class Conversation;

// The small square pictures of the sidebar's rows, made from each saved
// conversation's screenshot on a worker thread the first time a row asks for
// one, so that neither opening the window nor scrolling waits for a decode.
class ConversationThumbnails : public QObject
{
    Q_OBJECT

public:
    // `side` is the square's side in logical pixels; the pictures are made
    // for the device pixel ratio.
    ConversationThumbnails(int side, qreal devicePixelRatio, QObject *parent = nullptr);

    // The picture when it is ready; a null image when the conversation has
    // no screenshot or its bytes are no image. Nothing while it is being
    // made: the first call starts that, and thumbnailReady follows; the
    // widget that asked, if given, is repainted then.
    std::optional<QImage> thumbnail(const Conversation &conversation, QWidget *requester = nullptr);

    // The screenshot scaled to fill the square, cropped to its middle; a
    // null image for bytes that are no image.
    static QImage makeThumbnail(const QByteArray &png, int side, qreal devicePixelRatio);

Q_SIGNALS:
    void thumbnailReady(const QUuid &conversationId);

private:
    int m_side;
    qreal m_devicePixelRatio;
    QHash<QUuid, QImage> m_ready;
    // The widgets waiting for each picture being made.
    QHash<QUuid, QList<QPointer<QWidget>>> m_pending;
};
