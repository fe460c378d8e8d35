// Writes every PNG sample with the encoder, and beside each the pixels it
// must decode to, for decoders other than Qt's to check:
//   write-png-samples <folder>
// gives <name>.png and <name>.rgba: rows of RGBA, 8 bits a channel, or 16
// bits big-endian where the PNG keeps 16.

#include "PngSamples.h"
#include "platform/PngEncoder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cstdio>

namespace {

QByteArray expectedPixels(const QImage &image)
{
    QByteArray bytes;
    if (keepsSixteenBitChannels(image.format())) {
        const QImage rgba = image.convertToFormat(QImage::Format_RGBA64);
        for (int y = 0; y < rgba.height(); ++y) {
            const auto *line = reinterpret_cast<const quint16 *>(rgba.constScanLine(y));
            for (int i = 0; i < rgba.width() * 4; ++i) {
                char channel[2];
                qToBigEndian(line[i], channel);
                bytes.append(channel, 2);
            }
        }
        return bytes;
    }
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    for (int y = 0; y < rgba.height(); ++y)
        bytes.append(reinterpret_cast<const char *>(rgba.constScanLine(y)), qsizetype(rgba.width()) * 4);
    return bytes;
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: write-png-samples <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (const PngSample &sample : pngSamples()) {
        const QByteArray png = PngEncoder::encode(sample.image);
        if (png.isEmpty() || !write(folder.filePath(sample.name + QStringLiteral(".png")), png)
            || !write(folder.filePath(sample.name + QStringLiteral(".rgba")), expectedPixels(sample.image))) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(sample.name));
            return 1;
        }
    }
    return 0;
}
