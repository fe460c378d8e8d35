#pragma once

#include <QImage>
#include <QList>
#include <QString>

// Images that the PNG encoder must write so that every decoder reads them
// back as they are: each pixel format, and sizes at the edges of how the
// encoder cuts an image into pieces (one pixel, one row, one column, just
// under and just over one piece, many pieces with a short last one, rows
// longer than a piece), filled with content that compresses well, badly or
// almost to nothing. Shared by the round trip through Qt and the check with
// decoders other than Qt's.
struct PngSample
{
    QString name;
    QImage image;
};

QList<PngSample> pngSamples();

// Whether the PNG keeps the format's channels at 16 bits; the rest are
// written with 8 (Qt writes 10-bit channels with 8 too).
bool keepsSixteenBitChannels(QImage::Format format);
