#pragma once

#include <QByteArray>
#include <QImage>

// The one place where images become PNG bytes and back, shared by the AI
// client and the conversation store so that both hold identical bytes.
namespace ImageData {

// PNG bytes of the image; empty when the image is null or cannot be encoded.
QByteArray pngData(const QImage &image);

// The image the bytes decode to; a null image when they are not a readable image.
QImage imageFromPng(const QByteArray &bytes);

} // namespace ImageData
