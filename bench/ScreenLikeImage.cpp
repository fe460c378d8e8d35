#include "ScreenLikeImage.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

namespace {

// Smooth shapes with a little sensor grain, like a downscaled photograph.
QImage photoLikePatch(int width, int height, QRandomGenerator &random)
{
    QImage photo(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double v = 0.5 + 0.25 * std::sin(x * 0.013 + std::sin(y * 0.007) * 3)
                + 0.2 * std::cos(y * 0.011 + x * 0.004);
            const int grain = int(random.bounded(9)) - 4;
            line[x] = qRgb(std::clamp(int(v * 200) + grain + 30, 0, 255),
                std::clamp(int(v * 160 + 40 * std::sin(y * 0.02)) + grain, 0, 255),
                std::clamp(int((1 - v) * 180) + grain + 20, 0, 255));
        }
    }
    return photo;
}

} // namespace

QImage screenLikeImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(250, 250, 250));
    QRandomGenerator random(42);
    QPainter painter(&image);

    QLinearGradient titleBar(0, 0, 0, 120);
    titleBar.setColorAt(0, QColor(40, 60, 120));
    titleBar.setColorAt(1, QColor(200, 120, 60));
    painter.fillRect(0, 0, width, 120, titleBar);
    QLinearGradient sidebar(0, 0, 900, 0);
    sidebar.setColorAt(0, QColor(230, 235, 245));
    sidebar.setColorAt(1, QColor(180, 190, 220));
    painter.fillRect(0, 120, 900, height - 120, sidebar);

    static const char *const words[] = { "the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog",
        "function", "return", "const", "image", "screen", "region", "answer", "question", "window" };
    QFont font;
    font.setPixelSize(22);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (int y = 160; y < height - 20; y += 30) {
        QString line;
        for (int i = 0, n = 8 + int(random.bounded(14)); i < n; ++i)
            line += QLatin1String(words[random.bounded(int(std::size(words)))]) + QLatin1Char(' ');
        painter.drawText(940, y, line);
        if (y < height / 2 + 120)
            painter.drawText(width * 2 / 3, y, line.left(40));
    }
    for (int y = 160; y < height - 60; y += 40)
        painter.drawText(30, y, QLatin1String(words[random.bounded(int(std::size(words)))]));

    painter.drawImage(
        width * 2 / 3 + 40, height * 4 / 7, photoLikePatch(width * 2 / 7, height * 3 / 8, random));
    return image;
}
