#include "Symbols.h"

#include "platform/Log.h"

#include <QDir>
#include <QFile>
#include <QIconEngine>
#include <QMutex>
#include <QPainter>
#include <QPixmapCache>
#include <QSet>
#include <QSvgRenderer>

namespace {

const QString symbolFolder = QStringLiteral(":/symbols");

// Symbol names are lowercase words and digits joined by full stops; nothing
// else may reach the resource path.
bool isWellFormed(const QString &name)
{
    if (name.isEmpty() || name.startsWith(u'.') || name.endsWith(u'.') || name.contains(QLatin1String("..")))
        return false;
    for (const QChar c : name) {
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'.'))
            return false;
    }
    return true;
}

QString pathOf(const QString &name)
{
    return symbolFolder + u'/' + name + QLatin1String(".svg");
}

void warnOnceAboutMissing(const QString &name)
{
    static QMutex mutex;
    static QSet<QString> warned;
    QMutexLocker locker(&mutex);
    if (warned.contains(name))
        return;
    warned.insert(name);
    Log::line(QStringLiteral("⚠️ No symbol named \"%1\"; drawing a placeholder").arg(name));
}

// The drawings are black ink with white details. Each pixel becomes the
// colour in proportion to its ink and the detail colour in proportion to its
// white, which keeps the edges between the two smooth.
void tint(QImage &image, const QColor &colour, const QColor &detailColour)
{
    const QRgb ink = qPremultiply(colour.rgba());
    const QRgb detail = qPremultiply(detailColour.rgba());
    const auto mix = [](int inkChannel, int inkAmount, int detailChannel, int detailAmount) {
        return qMin(255, (inkChannel * inkAmount + detailChannel * detailAmount + 127) / 255);
    };
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            const int white = qMin(alpha, (qRed(line[x]) + qGreen(line[x]) + qBlue(line[x])) / 3);
            const int inkAmount = alpha - white;
            line[x] = qRgba(mix(qRed(ink), inkAmount, qRed(detail), white),
                mix(qGreen(ink), inkAmount, qGreen(detail), white),
                mix(qBlue(ink), inkAmount, qBlue(detail), white),
                mix(qAlpha(ink), inkAmount, qAlpha(detail), white));
        }
    }
}

// A rounded square with a question mark, for names without a drawing.
void drawPlaceholder(QPainter &painter, const QSizeF &size, const QColor &colour)
{
    const qreal side = qMin(size.width(), size.height());
    const qreal stroke = qMax(1.0, side / 12);
    const QRectF box = QRectF(QPointF(0, 0), QSizeF(side, side)).adjusted(stroke, stroke, -stroke, -stroke);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, stroke));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box, side / 6, side / 6);
    QFont font = painter.font();
    font.setPixelSize(qMax(1, int(side * 0.6)));
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(box, Qt::AlignCenter, QStringLiteral("?"));
}

// The symbol at that many device pixels.
QImage renderSymbol(
    const QString &name, const QColor &colour, const QColor &detailColour, const QSize &pixels)
{
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (pixels.isEmpty())
        return image;

    QSvgRenderer renderer;
    if (isWellFormed(name) && QFile::exists(pathOf(name)))
        renderer.load(pathOf(name));
    QPainter painter(&image);
    if (!renderer.isValid()) {
        warnOnceAboutMissing(name);
        drawPlaceholder(painter, pixels, colour);
        return image;
    }
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    renderer.render(&painter, QRectF(QPointF(0, 0), pixels));
    painter.end();
    tint(image, colour, detailColour);
    return image;
}

QPixmap cachedPixmap(
    const QString &name, const QColor &colour, const QColor &detailColour, const QSize &pixels)
{
    const QString key = QStringLiteral("pexilo-symbol/%1/%2/%3/%4x%5")
                            .arg(name)
                            .arg(colour.rgba(), 8, 16, QLatin1Char('0'))
                            .arg(detailColour.rgba(), 8, 16, QLatin1Char('0'))
                            .arg(pixels.width())
                            .arg(pixels.height());
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = QPixmap::fromImage(renderSymbol(name, colour, detailColour, pixels));
        QPixmapCache::insert(key, pixmap);
    }
    return pixmap;
}

class SymbolIconEngine : public QIconEngine
{
public:
    SymbolIconEngine(const QString &name, const QColor &colour, int size, const QColor &detailColour)
        : m_name(name)
        , m_colour(colour)
        , m_detailColour(detailColour)
        , m_size(size)
    { }

    // Asked for in device pixels when a device pixel ratio applies, so the
    // drawing is rendered at full resolution rather than scaled up.
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State) override
    {
        QColor colour = m_colour;
        QColor detailColour = m_detailColour;
        if (mode == QIcon::Disabled) {
            colour.setAlphaF(colour.alphaF() * 0.4f);
            detailColour.setAlphaF(detailColour.alphaF() * 0.4f);
        }
        const int side = qMin(size.width(), size.height());
        QPixmap square = cachedPixmap(m_name, colour, detailColour, QSize(side, side));
        if (side == size.width() && side == size.height())
            return square;
        QPixmap framed(size);
        framed.fill(Qt::transparent);
        QPainter painter(&framed);
        painter.drawPixmap((size.width() - side) / 2, (size.height() - side) / 2, square);
        return framed;
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap pixels = pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state);
        pixels.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect.topLeft(), pixels);
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = qMin(size.width(), size.height());
        return QSize(side, side);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return { QSize(m_size, m_size) }; }
    QString iconName() override { return m_name; }
    QString key() const override { return QStringLiteral("PexiloSymbol"); }
    QIconEngine *clone() const override { return new SymbolIconEngine(*this); }

private:
    QString m_name;
    QColor m_colour;
    QColor m_detailColour;
    int m_size;
};

} // namespace

namespace Symbols {

bool contains(const QString &name)
{
    return isWellFormed(name) && QFile::exists(pathOf(name));
}

QStringList names()
{
    QStringList result;
    const QStringList files
        = QDir(symbolFolder).entryList({ QStringLiteral("*.svg") }, QDir::Files, QDir::Name);
    for (const QString &file : files)
        result.append(file.chopped(4));
    return result;
}

QPixmap pixmap(
    const QString &name, const QColor &colour, int size, qreal devicePixelRatio, const QColor &detailColour)
{
    const int side = qRound(size * devicePixelRatio);
    QPixmap result = cachedPixmap(name, colour, detailColour, QSize(side, side));
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QIcon icon(const QString &name, const QColor &colour, int size, const QColor &detailColour)
{
    if (!contains(name))
        warnOnceAboutMissing(name);
    return QIcon(new SymbolIconEngine(name, colour, size, detailColour));
}

} // namespace Symbols
