// capture-driver <image.png>
//
// Runs the capture road of the application for a whole-program test: shows
// a window painted in four known colours, starts a screen selection through
// the capture manager half a second later, and reports on standard output
// the capture windows as they show and hide and the captured image, which it
// writes to the given PNG file.
//
// The window covers (50, 50)-(350, 250) in logical pixels: red above and to
// the left of (200, 150), green above and to the right, blue below and to
// the left, yellow below and to the right.

#include "capture/KeyableOverlayWindow.h"
#include "capture/ScreenshotManager.h"
#include "platform/Log.h"

#include <QApplication>
#include <QPainter>
#include <QTimer>

namespace {

class FourColourWindow : public QWidget
{
public:
    FourColourWindow()
        : QWidget(nullptr, Qt::FramelessWindowHint)
    {
        setGeometry(50, 50, 300, 200);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(0, 0, 150, 100, QColor(255, 0, 0));
        painter.fillRect(150, 0, 150, 100, QColor(0, 255, 0));
        painter.fillRect(0, 100, 150, 100, QColor(0, 0, 255));
        painter.fillRect(150, 100, 150, 100, QColor(255, 255, 0));
    }
};

// Logs the capture windows as they show and hide.
class CaptureWindowWatcher : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const auto *window = qobject_cast<KeyableOverlayWindow *>(watched);
        if (window && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
            const QString name = window->level() == KeyableOverlayWindow::Level::ScreenSaver
                ? QStringLiteral("Selection")
                : QStringLiteral("Result");
            const QString change
                = event->type() == QEvent::Show ? QStringLiteral("shown") : QStringLiteral("hidden");
            Log::line(QStringLiteral("🔧 %1 window %2").arg(name, change));
        }
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        Log::line(QStringLiteral("❌ Usage: capture-driver <image.png>"));
        return 2;
    }
    const QString imagePath = QString::fromLocal8Bit(argv[1]);

    CaptureWindowWatcher watcher;
    app.installEventFilter(&watcher);

    ScreenshotManager &manager = ScreenshotManager::shared();
    QObject::connect(&manager, &ScreenshotManager::screenshotImageChanged, [&manager, &imagePath] {
        const std::optional<QImage> &image = manager.screenshotImage();
        if (!image)
            return;
        if (!image->save(imagePath, "PNG")) {
            Log::line(QStringLiteral("❌ Could not write %1").arg(imagePath));
            return;
        }
        const QSizeF points = image->deviceIndependentSize();
        Log::line(QStringLiteral("📸 Captured %1x%2 pixels, %3x%4 points, ratio %5")
                      .arg(image->width())
                      .arg(image->height())
                      .arg(points.width())
                      .arg(points.height())
                      .arg(image->devicePixelRatio()));
    });
    QObject::connect(&manager, &ScreenshotManager::isShowingOverlayChanged, [&manager] {
        if (manager.isShowingOverlay())
            Log::line(QStringLiteral("📸 Overlay showing"));
    });

    FourColourWindow colours;
    colours.show();
    QTimer::singleShot(500, &manager, [&manager] {
        Log::line(QStringLiteral("🔧 Starting a selection"));
        manager.startScreenshotSelection();
    });
    return app.exec();
}
