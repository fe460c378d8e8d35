#include "AppDelegate.h"

#include "app/GlobalHotkeyManager.h"
#include "onboarding/ModernOnboardingView.h"
#include "platform/AppEvents.h"
#include "platform/Log.h"
#include "platform/ScreenCapturePermission.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "settings/SettingsView.h"
#include "ui/BackgroundWindowMover.h"
#include "ui/Palette.h"
#include "ui/WindowPlacement.h"

#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr QSizeF onboardingWindowSize(500, 580);
constexpr QSizeF settingsWindowSize(900, 650);
constexpr int hotKeyDelayAfterLaunchMs = 1000;
constexpr int hotKeyDelayAfterOnboardingMs = 500;

QPointer<AppDelegate> &sharedDelegate()
{
    static QPointer<AppDelegate> delegate;
    return delegate;
}

// The hot key lives for the whole process, so work deferred on it runs even
// when whoever scheduled it is gone.
void registerHotKeyAfter(int delayMs)
{
    QTimer::singleShot(delayMs, &GlobalHotkeyManager::shared(),
        [] { GlobalHotkeyManager::shared().registerGlobalHotkey(); });
}

// Fills the window with its content view.
void setContentView(QWidget *window, QWidget *view)
{
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view);
}

} // namespace

AppDelegate::AppDelegate(QObject *parent)
    : QObject(parent)
{
    sharedDelegate() = this;
}

AppDelegate::~AppDelegate()
{
    // No handler of the windows can be running any more.
    delete m_onboardingWindow.release();
    delete m_settingsWindow.release();
}

AppDelegate *AppDelegate::shared()
{
    return sharedDelegate();
}

void AppDelegate::applicationDidFinishLaunching()
{
    // The tray icon is the application's only presence besides its windows;
    // there is nothing further to switch off here.
    if (SettingsKeys::hasCompletedOnboarding.read(UserDefaults::standard())) {
        QTimer::singleShot(0, [] {
            if (!ScreenCapturePermission::preflight())
                ScreenCapturePermission::request();
        });
    } else {
        showOnboardingWindow();
    }
    registerHotKeyAfter(hotKeyDelayAfterLaunchMs);
}

void AppDelegate::applicationWillTerminate()
{
    GlobalHotkeyManager::shared().unregisterGlobalHotkey();
}

void AppDelegate::closeWindow(Window &window)
{
    window->close();
    window.reset();
}

void AppDelegate::showOnboardingWindow()
{
    Log::line(QStringLiteral("🔧 showOnboardingWindow called"));
    if (m_onboardingWindow) {
        Log::line(QStringLiteral("🔧 Closing existing onboarding window"));
        closeWindow(m_onboardingWindow);
    }

    const QRectF frame = WindowPlacement::contentRectOnPrimaryScreen(onboardingWindowSize);
    Log::line(QStringLiteral("🔧 Creating window with frame: ") + WindowPlacement::describe(frame));
    m_onboardingWindow.reset(new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint));
    QWidget *window = m_onboardingWindow.get();
    // The page draws its own rounded card; the corners outside it stay clear.
    window->setAttribute(Qt::WA_TranslucentBackground);
    // Nothing shows the title; it names the window to task switchers.
    window->setWindowTitle(QStringLiteral("Pexilo"));
    new BackgroundWindowMover(window);
    window->setGeometry(frame.toRect());
    WindowPlacement::centre(window);

    Log::line(QStringLiteral("🔧 Window created, setting up content view"));
    setContentView(window, new ModernOnboardingView);

    Log::line(QStringLiteral("🔧 Making window key and front"));
    WindowPlacement::bringToFront(window);
    Log::line(QStringLiteral("🔧 Window should now be visible"));

    // One more follower per call, as long as the process lives: the hot key
    // must come back after onboarding even if the delegate is gone by then.
    connect(&AppEvents::instance(), &AppEvents::onboardingCompleted, &AppEvents::instance(),
        [delegate = QPointer<AppDelegate>(this)] { onboardingCompleted(delegate); });
}

void AppDelegate::onboardingCompleted(AppDelegate *delegate)
{
    Log::line(QStringLiteral("🔧 Onboarding completed, closing window"));
    if (delegate && delegate->m_onboardingWindow)
        closeWindow(delegate->m_onboardingWindow);
    registerHotKeyAfter(hotKeyDelayAfterOnboardingMs);
}

void AppDelegate::showSettingsWindow()
{
    Log::line(QStringLiteral("🔧 showSettingsWindow called"));
    if (m_settingsWindow) {
        Log::line(QStringLiteral("🔧 Closing existing settings window"));
        closeWindow(m_settingsWindow);
    }

    const QRectF frame = WindowPlacement::contentRectOnPrimaryScreen(settingsWindowSize);
    Log::line(QStringLiteral("🔧 Creating settings window with frame: ") + WindowPlacement::describe(frame));
    // Titled, closable and resizable, with no minimise button.
    m_settingsWindow.reset(new QWidget(nullptr,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
            | Qt::WindowMaximizeButtonHint));
    QWidget *window = m_settingsWindow.get();
    window->setWindowTitle(QStringLiteral("Pexilo Settings"));
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, Palette::windowBackground());
    window->setPalette(palette);
    window->setGeometry(frame.toRect());
    WindowPlacement::centre(window);

    Log::line(QStringLiteral("Settings window created, setting up content view"));
    setContentView(window, new SettingsView);

    Log::line(QStringLiteral("🔧 Making settings window key and front"));
    WindowPlacement::bringToFront(window);
    Log::line(QStringLiteral("🔧 Settings window should now be visible"));
}
