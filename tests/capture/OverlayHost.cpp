#include "OverlayHost.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

namespace {

QRect mainScreenGeometry()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1920, 1080);
}

} // namespace

OverlayHost::OverlayHost(const QImage &frozenFrame)
    : KeyableOverlayWindow(mainScreenGeometry(), Level::Floating)
{
    setBackgroundFrame(frozenFrame, mainScreenGeometry().topLeft());
}

void OverlayHost::dismiss()
{
    hide();
    deleteLater();
}

QImage OverlayHost::sampleDesktop(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient ground(0, 0, size.width(), size.height());
    ground.setColorAt(0, QColor(86, 128, 178));
    ground.setColorAt(1, QColor(166, 120, 170));
    painter.fillRect(image.rect(), ground);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto window = [&painter](const QRectF &frame, const QColor &body) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 40));
        painter.drawRoundedRect(frame.translated(0, 4), 8, 8);
        painter.setBrush(body);
        painter.drawRoundedRect(frame, 8, 8);
        painter.setBrush(QColor(225, 225, 228));
        painter.drawRoundedRect(QRectF(frame.topLeft(), QSizeF(frame.width(), 28)), 8, 8);
        painter.setBrush(QColor(150, 150, 160));
        for (int line = 0; line < int(frame.height() - 50) / 22; ++line) {
            const qreal width = (frame.width() - 40) * (0.45 + 0.5 * ((line * 37) % 10) / 10.0);
            painter.drawRoundedRect(QRectF(frame.left() + 20, frame.top() + 44 + line * 22, width, 9), 4, 4);
        }
    };
    window(QRectF(size.width() * 0.06, size.height() * 0.08, size.width() * 0.42, size.height() * 0.55),
        QColor(250, 250, 250));
    window(QRectF(size.width() * 0.52, size.height() * 0.3, size.width() * 0.4, size.height() * 0.6),
        QColor(245, 247, 250));
    return image;
}

QImage OverlayHost::busyDesktop(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(40, 44, 52));
    QPainter painter(&image);
    const QString words = QStringLiteral(
        "The quick brown fox jumps over the lazy dog while 42 servers restart; error: connection reset by "
        "peer at line 1187 of handler.cpp — retrying in 5 s. Lorem ipsum dolor sit amet, consectetur "
        "adipiscing elit, sed do eiusmod tempor incididunt ut labore et dolore magna aliqua. ");
    // Columns of text filling the whole screen, in three kinds of window.
    const struct
    {
        QColor ground;
        QColor ink;
        int pixelSize;
        bool bold;
    } kinds[] = {
        { QColor(252, 252, 252), QColor(20, 20, 20), 15, false },
        { QColor(30, 30, 30), QColor(235, 235, 235), 14, false },
        { QColor(255, 250, 235), QColor(40, 30, 120), 17, true },
    };
    const int columns = qMax(1, size.width() / 300);
    const qreal columnWidth = qreal(size.width()) / columns;
    for (int column = 0; column < columns; ++column) {
        const auto &kind = kinds[column % 3];
        const QRectF frame(column * columnWidth, 0, columnWidth, size.height());
        painter.fillRect(frame, kind.ground);
        QFont font;
        font.setPixelSize(kind.pixelSize);
        font.setBold(kind.bold);
        painter.setFont(font);
        painter.setPen(kind.ink);
        painter.drawText(frame.adjusted(6, 4, -6, 0), Qt::TextWordWrap,
            words.repeated(1 + size.height() * int(columnWidth) / (kind.pixelSize * 400)));
    }
    return image;
}
