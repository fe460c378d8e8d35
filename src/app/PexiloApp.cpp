#include "PexiloApp.h"

#include "ai/AIManager.h"
#include "capture/ScreenshotManager.h"
#include "platform/Log.h"
#include "platform/UnixSignalWatcher.h"
#include "resources/Resources.h"

#include <QApplication>
#include <QCursor>

#include <csignal>

int PexiloApp::main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pexilo"));

    UnixSignalWatcher signalWatcher({ SIGTERM, SIGINT });
    QObject::connect(&signalWatcher, &UnixSignalWatcher::unixSignal, &app, &QApplication::quit);

    PexiloApp pexilo;
    pexilo.appDelegate().applicationDidFinishLaunching();

    Log::line(QStringLiteral("✅ Pexilo started"));
    const int status = QApplication::exec();
    Log::line(QStringLiteral("✅ Pexilo quit"));
    return status;
}

PexiloApp::PexiloApp(QObject *parent)
    : QObject(parent)
    , m_screenshotManager(ScreenshotManager::shared())
    , m_aiManager(AIManager::shared())
    , m_trayIcon(Resources::menuBarIcon())
{
    QApplication::setQuitOnLastWindowClosed(m_appDelegate.applicationShouldTerminateAfterLastWindowClosed());
    connect(qApp, &QCoreApplication::aboutToQuit, &m_appDelegate, &AppDelegate::applicationWillTerminate);

    m_trayMenu.addAction(QStringLiteral("Quit Pexilo"), qApp, &QCoreApplication::quit);
    m_trayIcon.setToolTip(QStringLiteral("Pexilo"));
    m_trayIcon.setContextMenu(&m_trayMenu);
    connect(&m_trayIcon, &QSystemTrayIcon::activated, &m_trayMenu,
        [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger)
                m_trayMenu.popup(QCursor::pos());
        });
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        Log::line(
            QStringLiteral("⚠️ No system tray is available; Pexilo keeps running without its tray icon"));
    m_trayIcon.show();
}

PexiloApp::~PexiloApp() = default;
