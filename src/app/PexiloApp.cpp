#include "PexiloApp.h"

#include "ai/AIManager.h"
#include "app/AppWiring.h"
#include "app/GlobalHotkeyManager.h"
#include "app/MenuBarView.h"
#include "capture/ScreenshotManager.h"
#include "platform/AppEvents.h"
#include "platform/Log.h"
#include "platform/UnixSignalWatcher.h"
#include "resources/Resources.h"

#include <QApplication>

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
    , m_menuBarWindow(new MenuBarView(m_screenshotManager, m_aiManager, m_onboardingManager))
    , m_trayIcon(Resources::menuBarIcon())
{
    AppWiring::install();
    // The tray panel reads the application's onboarding answers, which the
    // settings window and the onboarding flow change through the defaults.
    connect(
        &AppEvents::instance(), &AppEvents::settingsSaved, &m_onboardingManager, &OnboardingManager::reload);
    connect(&AppEvents::instance(), &AppEvents::onboardingCompleted, &m_onboardingManager,
        &OnboardingManager::reload);
    QApplication::setQuitOnLastWindowClosed(m_appDelegate.applicationShouldTerminateAfterLastWindowClosed());
    connect(qApp, &QCoreApplication::aboutToQuit, &m_appDelegate, &AppDelegate::applicationWillTerminate);

    m_trayMenu.addAction(QStringLiteral("Quit Pexilo"), qApp, &QCoreApplication::quit);
    m_trayIcon.setToolTip(QStringLiteral("Pexilo"));
    m_trayIcon.setContextMenu(&m_trayMenu);
    connect(&m_trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            toggleMenuBarWindow();
    });
    // A capture from the hot key must not find the panel still open: the
    // screen is grabbed a moment later.
    connect(&GlobalHotkeyManager::shared(), &GlobalHotkeyManager::hotkeyPressed, &m_menuBarWindow,
        &QWidget::close);
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        Log::line(
            QStringLiteral("⚠️ No system tray is available; Pexilo keeps running without its tray icon"));
    m_trayIcon.show();
}

PexiloApp::~PexiloApp() = default;

void PexiloApp::toggleMenuBarWindow()
{
    if (m_menuBarWindow.isVisible())
        m_menuBarWindow.close();
    else
        m_menuBarWindow.popUp(m_trayIcon.geometry());
}
