// Renders a markup text the way the overlay shows answers, for a look at the
// result: usage: render-markdown <input.txt> <width> <out.png>
//
// The input is read as UTF-8; the width is in logical pixels; the picture is
// drawn at a device pixel ratio of 2 on the offscreen platform.

#include "MarkdownRendering.h"

#include <QApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    bool widthIsNumber = false;
    const int width = argc == 4 ? QString::fromLocal8Bit(argv[2]).toInt(&widthIsNumber) : 0;
    if (argc != 4 || !widthIsNumber || width <= 0) {
        std::fprintf(stderr, "usage: render-markdown <input.txt> <width> <out.png>\n");
        return 2;
    }
    QFile input(QString::fromLocal8Bit(argv[1]));
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "could not read %s\n", argv[1]);
        return 1;
    }
    const QImage image = renderMarkdown(QString::fromUtf8(input.readAll()), width);
    if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "could not write %s\n", argv[3]);
        return 1;
    }
    std::printf("%s: %d x %d logical pixels\n", argv[3], int(image.deviceIndependentSize().width()),
        int(image.deviceIndependentSize().height()));
    return 0;
}
