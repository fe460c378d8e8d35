#include "OverlayHost.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

OverlayHost::OverlayHost(const QImage &frozenFrame)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_frozenFrame(frozenFrame)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    const QScreen *screen = QGuiApplication::primaryScreen();
    setGeometry(screen ? screen->geometry() : QRect(0, 0, 1920, 1080));
}

void OverlayHost::setOverlay(QWidget *overlay)
{
    m_overlay = overlay;
    overlay->setParent(this);
    overlay->setGeometry(rect());
}

void OverlayHost::dismiss()
{
    hide();
    deleteLater();
}

void OverlayHost::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawImage(rect(), m_frozenFrame);
}

void OverlayHost::resizeEvent(QResizeEvent *)
{
    if (m_overlay)
        m_overlay->setGeometry(rect());
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
