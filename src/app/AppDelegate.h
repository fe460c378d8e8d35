#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

// Start-up and shutdown of the application, and the two windows that the
// shell opens itself: onboarding on a first start, and settings.
//
// A window stays with the delegate until the next call of its show function
// replaces it; closing it only hides it.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    explicit AppDelegate(QObject *parent = nullptr);
    ~AppDelegate() override;

    // The application's delegate, or nullptr once it is gone.
    static AppDelegate *shared();

    // Opens onboarding on a first start, or checks the screen-capture
    // permission on a later one; registers the hot key a second later either way.
    void applicationDidFinishLaunching();
    // Closing the last window never ends the application.
    bool applicationShouldTerminateAfterLastWindowClosed() const { return false; }
    // Releases the hot key.
    void applicationWillTerminate();

    // Builds and shows a new onboarding window, closing any previous one.
    void showOnboardingWindow();
    // Builds and shows a new settings window, closing any previous one.
    void showSettingsWindow();

    QWidget *onboardingWindow() const { return m_onboardingWindow.get(); }
    QWidget *settingsWindow() const { return m_settingsWindow.get(); }

private:
    // A replaced window may still be inside one of its own event handlers
    // (the onboarding page's button ends onboarding), so it is deleted once
    // the event loop is back.
    struct DeleteLater
    {
        void operator()(QWidget *window) const { window->deleteLater(); }
    };
    using Window = std::unique_ptr<QWidget, DeleteLater>;

    static void closeWindow(Window &window);
    // Follows the completion of onboarding; `delegate` is null once it is gone.
    static void onboardingCompleted(AppDelegate *delegate);

    Window m_onboardingWindow;
    Window m_settingsWindow;
};
