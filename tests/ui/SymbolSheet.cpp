// Draws every symbol into one PNG, so that the drawings can be looked at side
// by side: usage: symbol-sheet <out.png>
//
// Each row shows a symbol at 16, 24 and 48 logical pixels on a light and on a
// dark ground, at a device pixel ratio of 2, followed by its name; the last
// row shows the tray image the same way.

#include "resources/Resources.h"
#include "ui/Fonts.h"
#include "ui/Symbols.h"

#include <QApplication>
#include <QPainter>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: symbol-sheet <out.png>\n");
        return 2;
    }

    const QStringList names = Symbols::names();
    const int rowHeight = 56;
    const QSize size(560, rowHeight * int(names.size() + 1));
    const qreal ratio = 2;
    QImage sheet(size * ratio, QImage::Format_ARGB32_Premultiplied);
    sheet.setDevicePixelRatio(ratio);
    sheet.fill(Qt::white);

    QPainter painter(&sheet);
    painter.setFont(Fonts::system(13));
    const QColor light(236, 236, 236);
    const QColor dark(40, 40, 40);
    for (int row = 0; row < names.size(); ++row) {
        const QString &name = names[row];
        const int top = row * rowHeight;
        painter.fillRect(QRect(0, top, 150, rowHeight), light);
        painter.fillRect(QRect(150, top, 150, rowHeight), dark);
        int x = 4;
        for (const QColor &ink : { QColor(Qt::black), QColor(Qt::white) }) {
            for (const int side : { 16, 24, 48 }) {
                painter.drawPixmap(x, top + (rowHeight - side) / 2, Symbols::pixmap(name, ink, side, ratio));
                x += side + 14;
            }
            x = 154;
        }
        painter.setPen(Qt::black);
        painter.drawText(QRect(310, top, 250, rowHeight), Qt::AlignVCenter, name);
    }
    const int top = int(names.size()) * rowHeight;
    painter.fillRect(QRect(0, top, 150, rowHeight), light);
    painter.fillRect(QRect(150, top, 150, rowHeight), dark);
    for (const int left : { 4, 154 }) {
        int x = left;
        for (const int side : { 16, 22, 48 }) {
            Resources::menuBarIcon().paint(&painter, QRect(x, top + (rowHeight - side) / 2, side, side));
            x += side + 14;
        }
    }
    painter.drawText(QRect(310, top, 250, rowHeight), Qt::AlignVCenter, QStringLiteral("MenuBarIcon (tray)"));
    painter.end();
    if (!sheet.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
