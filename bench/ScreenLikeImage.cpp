#include "ScreenLikeImage.h"

#include <QFont>
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

namespace {

// Value noise on an integer lattice, smoothly interpolated, and its sum over
// octaves: the texture of clouds, rock and grass.
quint32 latticeHash(int x, int y, quint32 seed)
{
    quint32 h = quint32(x) * 374761393u + quint32(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

double valueNoise(double x, double y, quint32 seed)
{
    const int x0 = int(std::floor(x));
    const int y0 = int(std::floor(y));
    const double fx = x - x0;
    const double fy = y - y0;
    const double sx = fx * fx * (3 - 2 * fx);
    const double sy = fy * fy * (3 - 2 * fy);
    auto at = [&](int dx, int dy) { return (latticeHash(x0 + dx, y0 + dy, seed) & 0xffff) / 65535.0; };
    const double top = at(0, 0) + (at(1, 0) - at(0, 0)) * sx;
    const double bottom = at(0, 1) + (at(1, 1) - at(0, 1)) * sx;
    return top + (bottom - top) * sy;
}

double fractalNoise(double x, double y, int octaves, quint32 seed)
{
    double sum = 0;
    double amplitude = 1;
    double total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise(x, y, seed + quint32(i));
        total += amplitude;
        x *= 2.03;
        y *= 2.03;
        amplitude *= 0.5;
    }
    return sum / total;
}

double smoothStep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

struct Rgb
{
    double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t)
{
    return { a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t };
}

Rgb scaled(Rgb c, double f)
{
    return { c.r * f, c.g * f, c.b * f };
}

// A mountain lake under a cloudy sky with a meadow in front, with the grain
// of a camera sensor: smooth areas and fine texture, as a wallpaper photo has.
QImage landscapePhoto(int width, int height)
{
    const double lakeTop = height * 0.62;
    const double meadowTop = height * 0.74;
    std::vector<double> farRidge(size_t(width + 1)), nearRidge(size_t(width + 1));
    for (int x = 0; x <= width; ++x) {
        farRidge[size_t(x)] = height * (0.28 + 0.22 * fractalNoise(x / 700.0, 0.5, 6, 11));
        nearRidge[size_t(x)] = height * (0.45 + 0.16 * fractalNoise(x / 450.0, 3.5, 6, 23));
    }
    auto scene = [&](int x, double y) -> Rgb {
        const double far = farRidge[size_t(x)];
        const double near = nearRidge[size_t(x)];
        if (y < far) {
            Rgb sky = mix({ 38, 86, 168 }, { 236, 196, 160 }, std::pow(y / far, 1.6));
            const double cloud = smoothStep(0.48, 0.78, fractalNoise(x / 520.0, y / 210.0, 6, 5));
            const double shade = 0.78 + 0.22 * fractalNoise(x / 90.0, y / 60.0, 4, 7);
            return mix(sky, scaled({ 252, 250, 255 }, shade), cloud * 0.9);
        }
        if (y < near) {
            const double rock = fractalNoise(x / 160.0, y / 120.0, 6, 31);
            Rgb hill = scaled({ 112, 128, 166 }, 0.72 + 0.45 * rock);
            const double snow = smoothStep(0.55, 0.7, rock) * smoothStep(far + 160, far, y);
            return mix(hill, { 236, 240, 248 }, snow);
        }
        const double forest = fractalNoise(x / 36.0, y / 30.0, 5, 41);
        Rgb trees = scaled({ 52, 82, 48 }, 0.55 + 0.7 * forest);
        return mix(trees, { 92, 104, 82 }, smoothStep(near, near + 120, y) * 0.4);
    };

    QImage photo(width, height, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 0; x < width; ++x) {
            Rgb c;
            if (y < lakeTop) {
                c = scene(x, y);
            } else if (y < meadowTop) {
                const double ripple = 6 * std::sin(y * 0.9 + 4 * fractalNoise(x / 80.0, y / 8.0, 3, 53));
                const int mirroredX = std::clamp(x + int(ripple), 0, width - 1);
                const double mirroredY = 2 * lakeTop - y;
                c = mix(scaled(scene(mirroredX, mirroredY), 0.72), { 40, 70, 90 }, (y - lakeTop) / height);
            } else {
                const double grass = fractalNoise(x / 9.0, y / 4.0, 4, 61);
                const double patches = fractalNoise(x / 300.0, y / 120.0, 4, 67);
                c = scaled(mix({ 84, 122, 46 }, { 150, 140, 60 }, patches), 0.5 + 0.8 * grass);
            }
            const int grain = int(random.bounded(4)) + int(random.bounded(4)) - 3;
            line[x] = qRgb(std::clamp(int(c.r) + grain, 0, 255), std::clamp(int(c.g) + grain, 0, 255),
                std::clamp(int(c.b) + grain, 0, 255));
        }
    }
    return photo;
}

QStringList randomWords(QRandomGenerator &random, int count)
{
    static const char *const words[] = { "the", "of", "and", "a", "to", "in", "is", "screen", "image",
        "window", "region", "answer", "question", "light", "mountain", "river", "settings", "network",
        "between", "through", "colour", "document", "selection", "quickly", "history", "result", "small",
        "measure", "before", "every", "project", "library", "system", "request", "compression", "filter" };
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QLatin1String(words[random.bounded(int(std::size(words)))]);
    return list;
}

QString sentence(QRandomGenerator &random, int minWords, int maxWords)
{
    QString text = randomWords(random, minWords + int(random.bounded(maxWords - minWords + 1))).join(u' ');
    text[0] = text[0].toUpper();
    return text + QLatin1Char('.');
}

void drawShadow(QPainter &painter, const QRectF &window)
{
    painter.setPen(Qt::NoPen);
    for (int i = 24; i > 0; i -= 2) {
        painter.setBrush(QColor(0, 0, 0, 5));
        painter.drawRoundedRect(window.adjusted(-i, -i + 10, i, i + 10), 12 + i, 12 + i);
    }
}

// A window frame with its title; returns the content area.
QRect drawWindow(QPainter &painter, const QRect &frame, const QString &title, const QColor &body)
{
    drawShadow(painter, frame);
    painter.setPen(QColor(0, 0, 0, 60));
    painter.setBrush(body);
    painter.drawRoundedRect(QRectF(frame).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    QLinearGradient bar(0, frame.top(), 0, frame.top() + 64);
    bar.setColorAt(0, QColor(236, 236, 238));
    bar.setColorAt(1, QColor(222, 222, 226));
    painter.save();
    painter.setClipRect(QRect(frame.left(), frame.top(), frame.width(), 64));
    painter.setPen(Qt::NoPen);
    painter.setBrush(bar);
    painter.drawRoundedRect(QRectF(frame).adjusted(1, 1, -1, 0), 11, 11);
    painter.restore();
    const QColor buttons[] = { QColor(255, 95, 86), QColor(255, 189, 46), QColor(39, 201, 63) };
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(buttons[i]);
        painter.drawEllipse(QPointF(frame.left() + 30 + i * 34, frame.top() + 32), 11, 11);
    }
    QFont font;
    font.setPixelSize(24);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(60, 60, 64));
    painter.drawText(QRect(frame.left(), frame.top(), frame.width(), 64), Qt::AlignCenter, title);
    return QRect(frame.left() + 1, frame.top() + 64, frame.width() - 2, frame.height() - 65);
}

void drawAppIcon(QPainter &painter, const QRectF &box, const QColor &colour, QRandomGenerator &random)
{
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, colour.lighter(130));
    fill.setColorAt(1, colour.darker(120));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(box, box.width() * 0.22, box.width() * 0.22);
    painter.setBrush(QColor(255, 255, 255, 200));
    const double inset = box.width() * 0.28;
    const QRectF glyph = box.adjusted(inset, inset, -inset, -inset);
    switch (random.bounded(3)) {
    case 0:
        painter.drawEllipse(glyph);
        break;
    case 1:
        painter.drawRect(glyph);
        break;
    default:
        painter.drawPolygon(
            QPolygonF({ glyph.bottomLeft(), QPointF(glyph.center().x(), glyph.top()), glyph.bottomRight() }));
    }
}

void drawParagraphs(QPainter &painter, QRect area, QRandomGenerator &random, int pixelSize, int paragraphs)
{
    QFont font;
    font.setPixelSize(pixelSize);
    painter.save();
    painter.setFont(font);
    painter.setClipRect(area);
    for (int i = 0; i < paragraphs && area.height() > pixelSize; ++i) {
        QString text;
        for (int s = 0, n = 3 + int(random.bounded(4)); s < n; ++s)
            text += sentence(random, 6, 16) + QLatin1Char(' ');
        const QRect used = painter.boundingRect(area, Qt::TextWordWrap, text);
        painter.drawText(area, Qt::TextWordWrap, text);
        area.setTop(used.bottom() + pixelSize);
    }
    painter.restore();
}

} // namespace

QImage desktopScreenImage(int width, int height)
{
    QImage image = landscapePhoto(width, height);
    QRandomGenerator random(1234);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    // Icons on the desktop, labelled in white with a shadow.
    QFont label;
    label.setPixelSize(22);
    for (int i = 0; i < 6; ++i) {
        const QRectF box(60, 130 + i * 190, 110, 110);
        drawAppIcon(painter, box, QColor::fromHsv(int(random.bounded(360)), 150, 200), random);
        painter.setFont(label);
        const QString name = randomWords(random, 1).first();
        painter.setPen(QColor(0, 0, 0, 160));
        painter.drawText(QRectF(22, box.bottom() + 12, 190, 30), Qt::AlignHCenter, name);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(20, box.bottom() + 10, 190, 30), Qt::AlignHCenter, name);
    }

    // A web page with an article and a picture.
    const QRect browser = drawWindow(painter, QRect(360, 170, 2000, 1400),
        QStringLiteral("Mountain lakes — Reader"), QColor(255, 255, 255));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(246, 246, 248));
    painter.drawRect(browser.left(), browser.top(), browser.width(), 70);
    painter.setBrush(Qt::white);
    painter.setPen(QColor(200, 200, 206));
    painter.drawRoundedRect(QRect(browser.left() + 200, browser.top() + 12, 1400, 46), 23, 23);
    QFont ui;
    ui.setPixelSize(22);
    painter.setFont(ui);
    painter.setPen(QColor(90, 90, 96));
    painter.drawText(QRect(browser.left() + 240, browser.top() + 12, 1300, 46), Qt::AlignVCenter,
        QStringLiteral("https://example.org/articles/mountain-lakes-in-the-morning-light"));
    QFont heading;
    heading.setPixelSize(52);
    heading.setBold(true);
    painter.setFont(heading);
    painter.setPen(QColor(20, 20, 24));
    painter.drawText(
        browser.left() + 160, browser.top() + 170, QStringLiteral("Mountain lakes in the morning"));
    painter.drawImage(QRect(browser.left() + 160, browser.top() + 220, 900, 560),
        landscapePhoto(900, 560).mirrored(true, false));
    painter.setPen(QColor(40, 40, 44));
    drawParagraphs(painter, QRect(browser.left() + 1120, browser.top() + 220, 720, 560), random, 24, 4);
    drawParagraphs(painter, QRect(browser.left() + 160, browser.top() + 820, 1680, 520), random, 24, 5);

    // A terminal with coloured output.
    const QRect terminal = drawWindow(
        painter, QRect(2240, 260, 1420, 900), QStringLiteral("~/projects — bash"), QColor(30, 30, 34));
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setPixelSize(22);
    painter.setFont(mono);
    const QColor colours[] = { QColor(120, 220, 120), QColor(220, 220, 220), QColor(110, 170, 255),
        QColor(240, 200, 90), QColor(200, 200, 200) };
    for (int row = 0, y = terminal.top() + 36; y < terminal.bottom() - 10; ++row, y += 30) {
        if (row % 7 == 0) {
            painter.setPen(colours[0]);
            painter.drawText(terminal.left() + 20, y,
                QStringLiteral("user@desk:~/projects$ ls -l ") + randomWords(random, 1).first());
            continue;
        }
        painter.setPen(colours[1 + random.bounded(4)]);
        painter.drawText(terminal.left() + 20, y,
            QStringLiteral("-rw-r--r-- 1 user user %1 Mar %2 10:%3 %4.%5")
                .arg(random.bounded(100000), 7)
                .arg(1 + random.bounded(28), 2)
                .arg(random.bounded(60), 2, 10, QLatin1Char('0'))
                .arg(randomWords(random, 2).join(u'_'))
                .arg(QLatin1String(random.bounded(2) ? "cpp" : "png")));
    }

    // A file manager with a sidebar and a grid of items.
    const QRect files = drawWindow(
        painter, QRect(1300, 1180, 1800, 820), QStringLiteral("Pictures"), QColor(250, 250, 252));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(236, 238, 242));
    painter.drawRect(files.left(), files.top(), 340, files.height());
    painter.setFont(ui);
    for (int i = 0; i < 12; ++i) {
        painter.setPen(QColor(60, 60, 70));
        painter.drawText(files.left() + 40, files.top() + 50 + i * 52, randomWords(random, 1).first());
    }
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 7; ++column) {
            const QRectF box(files.left() + 400 + column * 200, files.top() + 40 + row * 230, 130, 130);
            drawAppIcon(painter, box, QColor::fromHsv(int(random.bounded(360)), 120, 220), random);
            painter.setPen(QColor(40, 40, 44));
            painter.drawText(QRectF(box.left() - 30, box.bottom() + 10, 190, 30), Qt::AlignHCenter,
                randomWords(random, 1).first());
        }
    }

    // The panel along the top and the dock along the bottom, translucent over
    // the wallpaper.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 20, 24, 170));
    painter.drawRect(0, 0, width, 52);
    painter.setFont(ui);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, width, 52), Qt::AlignCenter, QStringLiteral("Tue 14:32"));
    painter.drawText(
        QRect(24, 0, 600, 52), Qt::AlignVCenter, QStringLiteral("Activities     Files     Edit     View"));
    const QRectF dock(width / 2.0 - 700, height - 150, 1400, 130);
    painter.setPen(QColor(255, 255, 255, 90));
    painter.setBrush(QColor(240, 240, 245, 110));
    painter.drawRoundedRect(dock, 34, 34);
    for (int i = 0; i < 11; ++i)
        drawAppIcon(painter, QRectF(dock.left() + 30 + i * 124, dock.top() + 15, 100, 100),
            QColor::fromHsv(int(random.bounded(360)), 170, 210), random);
    return image;
}

QImage documentScreenImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(82, 84, 88));
    QRandomGenerator random(2024);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    // Title bar and toolbar.
    painter.fillRect(0, 0, width, 110, QColor(238, 238, 240));
    painter.fillRect(0, 110, width, 2, QColor(200, 200, 204));
    QFont ui;
    ui.setPixelSize(24);
    painter.setFont(ui);
    painter.setPen(QColor(50, 50, 54));
    painter.drawText(
        QRect(0, 0, width, 50), Qt::AlignCenter, QStringLiteral("annual-report.pdf — Document Viewer"));
    for (int i = 0; i < 9; ++i) {
        painter.setPen(QColor(180, 180, 186));
        painter.setBrush(QColor(250, 250, 252));
        painter.drawRoundedRect(QRectF(24 + i * 70, 56, 56, 44), 8, 8);
    }
    painter.setPen(QColor(60, 60, 64));
    painter.drawText(QRect(width - 520, 56, 480, 44), Qt::AlignRight | Qt::AlignVCenter,
        QStringLiteral("Page 3 of 24      125 %"));

    // Page thumbnails down the side.
    painter.fillRect(0, 112, 420, height - 112, QColor(226, 228, 232));
    for (int i = 0; i < 6; ++i) {
        const QRect thumb(110, 150 + i * 330, 200, 280);
        painter.fillRect(thumb, Qt::white);
        if (i == 2) {
            painter.setPen(QPen(QColor(50, 120, 230), 4));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(thumb.adjusted(-6, -6, 6, 6));
        }
        for (int y = thumb.top() + 30; y < thumb.bottom() - 20; y += 9)
            painter.fillRect(thumb.left() + 20, y, 80 + int(random.bounded(80)), 3, QColor(150, 150, 155));
    }

    // The page: a title, a subheading, paragraphs, a list and a table.
    const QRect page(860, 150, 2500, height - 150);
    painter.fillRect(page.adjusted(6, 6, 6, 6), QColor(50, 50, 54));
    painter.fillRect(page, Qt::white);
    const int left = page.left() + 220;
    const int textWidth = page.width() - 440;
    QFont title(QStringLiteral("DejaVu Serif"));
    title.setPixelSize(60);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(QColor(20, 20, 20));
    painter.drawText(left, page.top() + 190, QStringLiteral("3. Results of the second quarter"));
    QFont body(QStringLiteral("DejaVu Serif"));
    body.setPixelSize(30);
    painter.setFont(body);
    int top = page.top() + 260;
    auto paragraph = [&](int sentences) {
        QString text;
        for (int s = 0; s < sentences; ++s)
            text += sentence(random, 8, 20) + QLatin1Char(' ');
        const QRect area(left, top, textWidth, height);
        const QRect used = painter.boundingRect(area, Qt::TextWordWrap | Qt::AlignJustify, text);
        painter.drawText(area, Qt::TextWordWrap | Qt::AlignJustify, text);
        top = used.bottom() + 30;
    };
    paragraph(6);
    paragraph(5);
    QFont subheading(QStringLiteral("DejaVu Sans"));
    subheading.setPixelSize(38);
    subheading.setBold(true);
    painter.setFont(subheading);
    painter.drawText(left, top + 40, QStringLiteral("3.1 Figures by region"));
    top += 80;
    painter.setFont(body);
    for (int i = 0; i < 4; ++i) {
        painter.drawEllipse(QPointF(left + 30, top + 19), 5, 5);
        painter.drawText(left + 60, top + 30, sentence(random, 6, 12));
        top += 46;
    }
    top += 30;
    const int columns[] = { 0, 700, 1150, 1600, 2060 };
    for (int row = 0; row < 8; ++row) {
        if (row == 0)
            painter.fillRect(left, top, textWidth, 52, QColor(232, 236, 244));
        else if (row % 2 == 0)
            painter.fillRect(left, top, textWidth, 52, QColor(248, 248, 250));
        painter.setPen(QColor(30, 30, 30));
        painter.drawText(
            left + 16, top + 37, row == 0 ? QStringLiteral("Region") : randomWords(random, 2).join(u' '));
        for (int c = 1; c < 4; ++c)
            painter.drawText(left + columns[c], top + 37,
                row == 0 ? QStringLiteral("Q%1").arg(c)
                         : QString::number(random.bounded(100000) / 100.0, 'f', 2));
        top += 52;
        painter.fillRect(left, top - 1, textWidth, 1, QColor(190, 190, 196));
    }
    top += 30;
    while (top < height - 80)
        paragraph(5);
    return image;
}
