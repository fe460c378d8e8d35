#pragma once

#include "platform/StoredValues.h"
#include "ui/WindowOwner.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class StartupDefaultsReader;

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

    // Reads the settings of the start-up in the background, then opens
    // onboarding on a first start, or checks the screen-capture permission
    // on a later one; registers the hot key a second later either way. Only
    // a flag that is not stored makes a first start: until the settings are
    // read (a read that fails is tried again), no window opens.
    void applicationDidFinishLaunching();
    // The keys the start-up reads (startupSettingsRead hands them over).
    static QStringList startupKeys();
    // Closing the last window never ends the application.
    bool applicationShouldTerminateAfterLastWindowClosed() const { return false; }
    // Closes the capture overlay and the chat window as the user would, so
    // that their exchange is saved, and releases the hot key.
    void applicationWillTerminate();

    // Builds and shows a new onboarding window, closing any previous one.
    void showOnboardingWindow();
    // Builds and shows a new settings window, closing any previous one.
    void showSettingsWindow();

    QWidget *onboardingWindow() const { return m_onboardingWindow.window(); }
    QWidget *settingsWindow() const { return m_settingsWindow.window(); }

Q_SIGNALS:
    // The start-up's settings, once they could be read.
    void startupSettingsRead(const StoredValues &values);

private:
    void finishLaunching(const StoredValues &values);
    // Follows the completion of onboarding; `delegate` is null once it is gone.
    static void onboardingCompleted(AppDelegate *delegate);

    QPointer<StartupDefaultsReader> m_startupRead;

    WindowOwner m_onboardingWindow;
    WindowOwner m_settingsWindow;
};
