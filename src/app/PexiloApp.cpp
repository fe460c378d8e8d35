#include "PexiloApp.h"

#include "platform/FreshMemory.h"

#include "ai/AIManager.h"
#include "app/AppWiring.h"
#include "app/GlobalHotkeyManager.h"
#include "app/MenuBarView.h"
#include "capture/ScreenshotManager.h"
#include "platform/AppEvents.h"
#include "platform/Log.h"
#include "platform/SessionPlatform.h"
#include "platform/SingleInstance.h"
#include "platform/UnixSignalWatcher.h"
#include "platform/UserDefaults.h"
#include "resources/Resources.h"
#include "store/ConversationManager.h"

#include <QApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include <csignal>
#include <utility>
#include <vector>

int PexiloApp::main(int argc, char *argv[])
{
    QStringList arguments;
    for (int index = 1; index < argc; ++index)
        arguments.append(QString::fromLocal8Bit(argv[index]));
    const SessionPlatform session = SessionPlatform::choose(
        QProcessEnvironment::systemEnvironment(), arguments, &SessionPlatform::displayAnswers);
    if (!session.failureLine.isEmpty()) {
        Log::line(session.failureLine);
        return 1;
    }
    if (!session.logLine.isEmpty())
        Log::line(session.logLine);
    // The platform goes on the command line rather than into the environment,
    // which the programs started from here (a browser, a mail client) inherit.
    std::vector<char *> qtArguments(argv, argv + argc);
    QByteArray platformOption("-platform");
    QByteArray platform = session.platform.toLocal8Bit();
    if (!platform.isEmpty())
        qtArguments.insert(qtArguments.end(), { platformOption.data(), platform.data() });
    int qtArgumentCount = int(qtArguments.size());
    qtArguments.push_back(nullptr);

    QApplication app(qtArgumentCount, qtArguments.data());
    QApplication::setApplicationName(QStringLiteral("Pexilo"));

    // Two instances would show two tray icons and write over each other's
    // settings and conversations: a second start hands over to the first.
    const QFileInfo configFolder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    const QString storeFolder = QFileInfo(UserDefaults::standardPath()).absolutePath();
    SingleInstance instance(SingleInstance::sessionRuntimeFolder(),
        configFolder.exists() ? configFolder.canonicalFilePath() : configFolder.absoluteFilePath(),
        storeFolder);
    switch (instance.claim()) {
    case SingleInstance::Claim::Second:
        if (!instance.askFirstToOpenPanel()) {
            Log::line(
                QStringLiteral("❌ Pexilo is already running but did not answer; not starting a second one"));
            return 1;
        }
        Log::line(QStringLiteral("✅ Pexilo is already running; asked it to open its panel"));
        return 0;
    case SingleInstance::Claim::Elsewhere:
        // Another login session with a runtime folder of its own: its panel
        // opens where that session shows it, if its socket can be reached.
        if (!instance.askFirstToOpenPanel()) {
            Log::line(QStringLiteral("❌ Pexilo is already running in another session with the "
                                     "configuration folder %1 and cannot be reached from here; not "
                                     "starting a second one")
                          .arg(storeFolder));
            return 1;
        }
        Log::line(QStringLiteral("✅ Pexilo is already running; asked it to open its panel"));
        return 0;
    case SingleInstance::Claim::Unguarded:
        Log::line(
            QStringLiteral("⚠️ Pexilo cannot tell whether it runs already: no lock of its own in the "
                           "runtime folder (XDG_RUNTIME_DIR) or the configuration folder"));
        break;
    case SingleInstance::Claim::First:
        break;
    }

    UnixSignalWatcher signalWatcher({ SIGTERM, SIGINT });
    QObject::connect(&signalWatcher, &UnixSignalWatcher::unixSignal, &app, &QApplication::quit);

    PexiloApp pexilo;
    QObject::connect(&instance, &SingleInstance::openPanelRequested, &pexilo, &PexiloApp::openMenuBarWindow);
    pexilo.appDelegate().applicationDidFinishLaunching();
    pexilo.applicationDidStart();

    Log::line(QStringLiteral("✅ Pexilo started"));
    const int status = QApplication::exec();
    Log::line(QStringLiteral("✅ Pexilo quit"));
    return status;
}

namespace {

// Before anything decodes a screenshot: a tray program that runs all day
// does not keep what its decodes used.
bool returnLargeBuffers()
{
    FreshMemory::returnLargeBuffersWhenFreed();
    return true;
}

} // namespace

PexiloApp::PexiloApp(QObject *parent)
    : QObject(parent)
    , m_largeBuffersReturned(returnLargeBuffers())
    , m_screenshotManager(ScreenshotManager::shared())
    , m_aiManager(AIManager::shared())
    , m_menuBarWindow(new MenuBarView(m_screenshotManager, m_aiManager, m_onboardingManager, m_thumbnails))
    , m_trayIcon(Resources::menuBarIcon())
{
    AppWiring::install();
    // The tray panel reads the application's onboarding answers: first as
    // the start-up reads them, then as the settings window and the
    // onboarding flow change them through the defaults.
    connect(&m_appDelegate, &AppDelegate::startupSettingsRead, &m_onboardingManager,
        &OnboardingManager::loadFrom);
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
    connect(&GlobalHotkeyManager::shared(), &GlobalHotkeyManager::hotkeyPressed, this,
        &PexiloApp::clearTheWayForASelection);
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        Log::line(
            QStringLiteral("⚠️ No system tray is available; Pexilo keeps running without its tray icon"));
    m_trayIcon.show();
}

PexiloApp::~PexiloApp() = default;

void PexiloApp::applicationDidStart()
{
    // Before anything asks the store for its list, which would otherwise
    // load it on the spot.
    ConversationManager::loadSharedInBackground();
    connect(&ConversationManager::shared(), &ConversationManager::conversationsChanged, this,
        &PexiloApp::savedConversationsChanged);
}

void PexiloApp::savedConversationsChanged()
{
    const QList<Conversation> &conversations = ConversationManager::shared().conversations();
    MenuBarView *panel = m_menuBarWindow.view();
    m_thumbnails.prefetch(conversations.first(qMin(conversations.size(), MenuBarView::recentCount)),
        panel->devicePixelRatioF());
    // The first change is the load: a panel opened before it shows an empty
    // list until then. Later changes wait for the panel's next opening.
    if (!std::exchange(m_savedConversationsLoaded, true))
        panel->savedConversationsLoaded();
}

void PexiloApp::clearTheWayForASelection()
{
    // A popup (the tray panel, the tray menu) holds the pointer and the
    // keyboard and would show in the frozen frame grabbed a moment later.
    while (QWidget *popup = QApplication::activePopupWidget()) {
        if (!popup->close())
            break;
    }
    // An application-modal window would keep the selection from all input
    // while the selection holds the keyboard: nothing would get keys. Other
    // windows stay open and usable.
    while (QWidget *modal = QApplication::activeModalWidget()) {
        if (modal->windowModality() != Qt::ApplicationModal || !modal->close())
            break;
    }
}

void PexiloApp::toggleMenuBarWindow()
{
    if (m_menuBarWindow.isVisible())
        m_menuBarWindow.close();
    else
        openMenuBarWindow();
}

void PexiloApp::openMenuBarWindow()
{
    if (m_menuBarWindow.isVisible()) {
        m_menuBarWindow.raise();
        m_menuBarWindow.activateWindow();
        return;
    }
    m_menuBarWindow.popUp(m_trayIcon.geometry());
}
