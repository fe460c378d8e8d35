#pragma once

#include <QByteArray>
#include <QImage>

// A PNG writer tuned for screenshots, which are sent to the AI service again
// with every question and so are encoded while the user waits. It trades a
// little of the size that an exhaustive filter search and a slow compression
// level would win for a several times shorter encode: every row is filtered
// with "Up" (screen content repeats from row to row: text, flat areas,
// gradients) and the rows are compressed in one pass with libdeflate.
//
// Images whose channels are wider than 8 bits go through Qt's own writer, so
// that no precision is lost.
namespace PngEncoder {

// The PNG bytes; empty for a null image or when encoding fails.
QByteArray encode(const QImage &image);

} // namespace PngEncoder
