#pragma once

#include <QByteArray>
#include <QFuture>
#include <QImage>

// The one place where images become PNG bytes and back, shared by the AI
// client and the conversation store so that both hold identical bytes.
//
// A screenshot is encoded once: the bytes of the image encoded last are kept
// (keyed by QImage::cacheKey(), so copies of the image share them) and handed
// out again until another image is encoded. Safe to call from any thread.
namespace ImageData {

// PNG bytes of the image; empty when the image is null or cannot be encoded.
// When the same image is being encoded in the background, waits for that.
QByteArray pngData(const QImage &image);

// The same bytes, encoded on a worker thread when they are not known yet, so
// that the calling thread stays free. The future is already finished when the
// image was encoded before.
QFuture<QByteArray> pngDataAsync(const QImage &image);

// The image the bytes decode to; a null image when they are not a readable image.
QImage imageFromPng(const QByteArray &bytes);

} // namespace ImageData
