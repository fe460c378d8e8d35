#include "AppDelegate.h"

#include "app/GlobalHotkeyManager.h"
#include "capture/ScreenshotManager.h"
#include "chat/ChatWindowManager.h"
#include "onboarding/ModernOnboardingView.h"
#include "platform/AppEvents.h"
#include "platform/Log.h"
#include "platform/ScreenCapturePermission.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "settings/SettingsView.h"
#include "ui/Palette.h"
#include "ui/WindowPlacement.h"

#include <QPointer>
#include <QTimer>

namespace {

// Borderless: the page draws its own rounded card and its shadow, and the
// window holds both; the corners outside the card stay clear. Nothing shows
// the title; it names the window to task switchers.
WindowOwner::Style onboardingWindowStyle()
{
    WindowOwner::Style style;
    style.size = QSizeF(ModernOnboardingView::windowSize());
    style.flags = Qt::Window | Qt::FramelessWindowHint;
    style.title = QStringLiteral("Pexilo");
    style.translucent = true;
    style.movableByBackground = true;
    return style;
}

// Titled, closable and resizable, with no minimise button.
WindowOwner::Style settingsWindowStyle()
{
    WindowOwner::Style style;
    style.size = QSizeF(900, 650);
    style.flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
        | Qt::WindowMaximizeButtonHint;
    style.title = QStringLiteral("Pexilo Settings");
    style.background = Palette::windowBackground();
    return style;
}

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

} // namespace

AppDelegate::AppDelegate(QObject *parent)
    : QObject(parent)
{
    sharedDelegate() = this;
}

AppDelegate::~AppDelegate() = default;

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
    // An exchange is saved when its window closes. Quitting (or the session
    // ending) with an answered capture or a chat on screen keeps it the same
    // way rather than losing it with the process; the capture goes first,
    // as closing the chat starts the next exchange.
    if (ScreenshotManager &capture = ScreenshotManager::shared(); capture.isShowingOverlay())
        capture.closeOverlay();
    if (ChatWindowManager &chat = ChatWindowManager::shared(); chat.isOpen())
        chat.closeWindow();
    GlobalHotkeyManager::shared().unregisterGlobalHotkey();
}

void AppDelegate::showOnboardingWindow()
{
    Log::line(QStringLiteral("🔧 showOnboardingWindow called"));
    if (m_onboardingWindow.window()) {
        Log::line(QStringLiteral("🔧 Closing existing onboarding window"));
        m_onboardingWindow.closeWindow();
    }

    const QWidget *window = m_onboardingWindow.createWindow(onboardingWindowStyle());
    Log::line(QStringLiteral("🔧 Creating window with frame: ") + WindowPlacement::describe(window->geometry()));

    Log::line(QStringLiteral("🔧 Window created, setting up content view"));
    m_onboardingWindow.setContentView(new ModernOnboardingView);

    Log::line(QStringLiteral("🔧 Making window key and front"));
    m_onboardingWindow.bringToFront();
    Log::line(QStringLiteral("🔧 Window should now be visible"));

    // One more follower per call, as long as the process lives: the hot key
    // must come back after onboarding even if the delegate is gone by then.
    connect(&AppEvents::instance(), &AppEvents::onboardingCompleted, &AppEvents::instance(),
        [delegate = QPointer<AppDelegate>(this)] { onboardingCompleted(delegate); });
}

void AppDelegate::onboardingCompleted(AppDelegate *delegate)
{
    Log::line(QStringLiteral("🔧 Onboarding completed, closing window"));
    if (delegate)
        delegate->m_onboardingWindow.closeWindow();
    registerHotKeyAfter(hotKeyDelayAfterOnboardingMs);
}

void AppDelegate::showSettingsWindow()
{
    Log::line(QStringLiteral("🔧 showSettingsWindow called"));
    if (m_settingsWindow.window()) {
        Log::line(QStringLiteral("🔧 Closing existing settings window"));
        m_settingsWindow.closeWindow();
    }

    const QWidget *window = m_settingsWindow.createWindow(settingsWindowStyle());
    Log::line(QStringLiteral("🔧 Creating settings window with frame: ")
        + WindowPlacement::describe(window->geometry()));

    Log::line(QStringLiteral("Settings window created, setting up content view"));
    m_settingsWindow.setContentView(new SettingsView);

    Log::line(QStringLiteral("🔧 Making settings window key and front"));
    m_settingsWindow.bringToFront();
    Log::line(QStringLiteral("🔧 Settings window should now be visible"));
}
