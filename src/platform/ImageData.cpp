#include "ImageData.h"

#include "Background.h"
#include "PngEncoder.h"

#include <QBuffer>
#include <QImageReader>
#include <QMutex>
#include <QMutexLocker>

#include <optional>

namespace ImageData {

namespace {

// The last image's bytes, or their encoding still under way.
struct LastEncoded
{
    qint64 cacheKey = 0;
    QFuture<QByteArray> bytes;
};

QMutex &cacheMutex()
{
    static QMutex mutex;
    return mutex;
}

LastEncoded &lastEncoded()
{
    static LastEncoded last;
    return last;
}

std::optional<QFuture<QByteArray>> knownBytes(const QImage &image)
{
    LastEncoded &last = lastEncoded();
    if (last.cacheKey != image.cacheKey() || !last.bytes.isValid())
        return std::nullopt;
    // A worker's future holds its result a moment before it counts as
    // finished; from then on the bytes are handed out as a finished future.
    if (!last.bytes.isFinished() && last.bytes.isResultReadyAt(0))
        last.bytes = QtFuture::makeReadyFuture(last.bytes.result());
    return last.bytes;
}

void remember(const QImage &image, const QFuture<QByteArray> &bytes)
{
    lastEncoded() = { image.cacheKey(), bytes };
}

} // namespace

QByteArray pngData(const QImage &image)
{
    if (image.isNull())
        return {};
    std::optional<QFuture<QByteArray>> known;
    {
        QMutexLocker locker(&cacheMutex());
        known = knownBytes(image);
    }
    if (known)
        return known->result(); // waits when a worker is still encoding it
    const QByteArray bytes = PngEncoder::encode(image);
    if (!bytes.isEmpty()) {
        QMutexLocker locker(&cacheMutex());
        remember(image, QtFuture::makeReadyFuture(bytes));
    }
    return bytes;
}

QFuture<QByteArray> pngDataAsync(const QImage &image)
{
    if (image.isNull())
        return QtFuture::makeReadyFuture(QByteArray());

    QMutexLocker locker(&cacheMutex());
    if (const auto known = knownBytes(image))
        return *known;

    const QFuture<QByteArray> future = Background::run([image] {
        QByteArray bytes = PngEncoder::encode(image);
        if (bytes.isEmpty()) { // nothing worth keeping: let the next call try again
            QMutexLocker locker(&cacheMutex());
            if (lastEncoded().cacheKey == image.cacheKey())
                lastEncoded() = {};
        }
        return bytes;
    });
    remember(image, future);
    return future;
}

QImage imageFromPng(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.read();
}

} // namespace ImageData
