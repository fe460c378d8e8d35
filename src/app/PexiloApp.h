#pragma once

#include "app/AppDelegate.h"
#include "app/ConversationThumbnail.h"
#include "app/MenuBarWindow.h"
#include "chat/ConversationThumbnails.h"
#include "onboarding/OnboardingManager.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

class AIManager;
class ScreenshotManager;

// The application: a tray icon, the delegate that starts and stops it, and
// the state that the tray's window reads. A click on the icon opens the tray
// panel; its context menu holds "Quit Pexilo" too. There is no main window;
// closing the last window leaves the process running, and only "Quit Pexilo"
// (or SIGTERM) ends it, with the hot key released.
class PexiloApp : public QObject
{
    Q_OBJECT

public:
    // Runs the application; returns the process's exit status.
    static int main(int argc, char *argv[]);

    // Builds the application's objects and shows the tray icon; needs the
    // QApplication. Start-up itself is the delegate's.
    explicit PexiloApp(QObject *parent = nullptr);
    ~PexiloApp() override;

    AppDelegate &appDelegate() { return m_appDelegate; }
    ScreenshotManager &screenshotManager() const { return m_screenshotManager; }
    AIManager &aiManager() const { return m_aiManager; }
    // The application's own onboarding answers: those of a first start until
    // the delegate's start-up has read them (in the background), then read
    // again from the defaults whenever the settings are saved or onboarding
    // completes.
    OnboardingManager &onboardingManager() { return m_onboardingManager; }
    // The popup with the tray panel, hidden until the icon is clicked.
    MenuBarWindow &menuBarWindow() { return m_menuBarWindow; }
    QSystemTrayIcon &trayIcon() { return m_trayIcon; }
    // The pictures of the saved conversations the panel shows.
    ConversationThumbnails &thumbnails() { return m_thumbnails; }

    // What follows once the application runs: the saved conversations load
    // in the background, and the newest two's thumbnails are decoded as soon
    // as they are there, so that the first click on the icon waits for none.
    void applicationDidStart();

    // What a click on the tray icon does: opens the panel, or closes it when it is open.
    void toggleMenuBarWindow();
    // Opens the panel, or raises it when it is open (a second start asks for it).
    void openMenuBarWindow();

    // What the hot key does before its selection starts: closes what would
    // stand in its way, the panel and menus, and any window that blocks
    // input to every other.
    void clearTheWayForASelection();

private Q_SLOTS:
    void savedConversationsChanged();

private:
    // Set first, before any member that may decode a picture.
    bool m_largeBuffersReturned;
    AppDelegate m_appDelegate;
    ScreenshotManager &m_screenshotManager;
    AIManager &m_aiManager;
    OnboardingManager m_onboardingManager { OnboardingManager::InitialLoad::Later };
    ConversationThumbnails m_thumbnails { ConversationThumbnail::side };
    MenuBarWindow m_menuBarWindow;
    QMenu m_trayMenu;
    QSystemTrayIcon m_trayIcon;
    bool m_savedConversationsLoaded = false;
};
