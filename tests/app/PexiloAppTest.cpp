#include "app/PexiloApp.h"

#include "AppTestSupport.h"
#include "ai/AIManager.h"
#include "app/GlobalHotkeyManager.h"
#include "capture/ScreenshotManager.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>

#include <functional>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

TEST(PexiloAppTest, HoldsTheSharedStateAndInstallsItsDelegate)
{
    UserDefaults::standard().setString(SettingsKeys::userName.name, QStringLiteral("Ada"));
    QApplication::setQuitOnLastWindowClosed(true);

    PexiloApp app;

    EXPECT_EQ(AppDelegate::shared(), &app.appDelegate());
    EXPECT_EQ(&app.screenshotManager(), &ScreenshotManager::shared());
    EXPECT_EQ(&app.aiManager(), &AIManager::shared());
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
    // The onboarding answers come with the start-up's read of the settings,
    // which never holds up the construction.
    EXPECT_EQ(app.onboardingManager().userName(), QString());
    Q_EMIT app.appDelegate().startupSettingsRead(
        UserDefaults::standard().valuesForKeys(AppDelegate::startupKeys()));
    EXPECT_EQ(app.onboardingManager().userName(), QStringLiteral("Ada"));
}

TEST(PexiloAppTest, ClosingTheLastWindowLeavesTheApplicationRunning)
{
    PexiloApp app;
    app.appDelegate().showOnboardingWindow();
    app.appDelegate().showSettingsWindow();

    QTimer::singleShot(0, [&] {
        app.appDelegate().onboardingWindow()->close();
        app.appDelegate().settingsWindow()->close();
    });
    QTimer::singleShot(500, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QApplication::exec(), 7) << "the event loop ended before it was told to";
}

TEST(PexiloAppTest, AClickOnTheIconOpensThePanelAndASecondClickClosesIt)
{
    PexiloApp app;
    MenuBarWindow &panel = app.menuBarWindow();
    EXPECT_FALSE(panel.isVisible());

    Q_EMIT app.trayIcon().activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(panel.isVisible());
    Q_EMIT app.trayIcon().activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(panel.isVisible());

    // Other clicks leave it alone; the context menu is the tray's own.
    Q_EMIT app.trayIcon().activated(QSystemTrayIcon::Context);
    Q_EMIT app.trayIcon().activated(QSystemTrayIcon::MiddleClick);
    EXPECT_FALSE(panel.isVisible());
    ASSERT_NE(app.trayIcon().contextMenu(), nullptr);
    EXPECT_EQ(app.trayIcon().contextMenu()->actions().value(0)->text(), QStringLiteral("Quit Pexilo"));
}

// The panel and the tray menu would show in the frozen frame; an
// application-modal window would keep the selection from all input while it
// holds the keyboard. Each is gone before the selection starts; a window that
// blocks nothing else, such as the About box, stays.
TEST(PexiloAppTest, TheHotKeyClosesWhatWouldStandInTheSelectionsWay)
{
    PexiloApp app;
    QMessageBox about;
    about.open();
    QMenu &trayMenu = *app.trayIcon().contextMenu();
    QDialog modal;
    modal.setWindowModality(Qt::ApplicationModal);

    const std::vector<std::pair<const char *, std::function<QWidget *()>>> cases = {
        { "the tray panel",
            [&] {
                app.toggleMenuBarWindow();
                return &app.menuBarWindow();
            } },
        { "the tray menu",
            [&] {
                trayMenu.popup(QPoint(1000, 40));
                return &trayMenu;
            } },
        { "an application-modal window",
            [&] {
                modal.show();
                return &modal;
            } },
    };
    for (const auto &[name, open] : cases) {
        QWidget *window = open();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->isVisible(); })) << name;
        QSignalSpy started(&ScreenshotManager::shared(), &ScreenshotManager::selectedRectChanged);
        bool openAtStart = true;
        const QMetaObject::Connection watch = QObject::connect(&ScreenshotManager::shared(),
            &ScreenshotManager::selectedRectChanged, [&] { openAtStart = window->isVisible(); });

        GlobalHotkeyManager::hotKeyEventHandler();

        ASSERT_TRUE(QTest::qWaitFor([&] { return !started.isEmpty(); })) << name;
        EXPECT_FALSE(openAtStart) << name;
        EXPECT_TRUE(about.isVisible()) << name;
        QObject::disconnect(watch);
        // A cancel before the selection's window is up ends the selection
        // too: no window comes up later over what the user went back to.
        ScreenshotManager::shared().handleSelectionCancel();
        EXPECT_FALSE(ScreenshotManager::shared().isSelecting()) << name;
    }
}
