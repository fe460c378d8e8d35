#include "PexiloApp.h"

#include "platform/Log.h"
#include "platform/UnixSignalWatcher.h"
#include "resources/Resources.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

#include <csignal>

int PexiloApp::main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pexilo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Pexilo"));
    QApplication::setQuitOnLastWindowClosed(false);

    UnixSignalWatcher signalWatcher({ SIGTERM, SIGINT });
    QObject::connect(&signalWatcher, &UnixSignalWatcher::unixSignal, &app, &QApplication::quit);

    QMenu trayMenu;
    trayMenu.addAction(QStringLiteral("Quit Pexilo"), &app, &QApplication::quit);

    QSystemTrayIcon trayIcon(Resources::menuBarIcon());
    trayIcon.setToolTip(QStringLiteral("Pexilo"));
    trayIcon.setContextMenu(&trayMenu);
    QObject::connect(&trayIcon, &QSystemTrayIcon::activated, &trayMenu, [&trayMenu](auto reason) {
        if (reason == QSystemTrayIcon::Trigger)
            trayMenu.popup(QCursor::pos());
    });
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        Log::line(
            QStringLiteral("⚠️ No system tray is available; Pexilo keeps running without its tray icon"));
    trayIcon.show();

    Log::line(QStringLiteral("✅ Pexilo started"));
    const int status = QApplication::exec();
    Log::line(QStringLiteral("✅ Pexilo quit"));
    return status;
}
