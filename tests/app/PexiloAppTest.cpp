#include "app/PexiloApp.h"

#include "AppTestSupport.h"
#include "ai/AIManager.h"
#include "app/GlobalHotkeyManager.h"
#include "capture/ScreenshotManager.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

TEST(PexiloAppTest, HoldsTheSharedStateAndInstallsItsDelegate)
{
    UserDefaults::standard().setString(SettingsKeys::userName.name, QStringLiteral("Ada"));
    QApplication::setQuitOnLastWindowClosed(true);

    PexiloApp app;

    EXPECT_EQ(AppDelegate::shared(), &app.appDelegate());
    EXPECT_EQ(&app.screenshotManager(), &ScreenshotManager::shared());
    EXPECT_EQ(&app.aiManager(), &AIManager::shared());
    EXPECT_EQ(app.onboardingManager().userName(), QStringLiteral("Ada"));
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
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

TEST(PexiloAppTest, TheHotKeyClosesThePanelBeforeTheCaptureGrabsTheScreen)
{
    PexiloApp app;
    app.toggleMenuBarWindow();
    ASSERT_TRUE(app.menuBarWindow().isVisible());
    QSignalSpy started(&ScreenshotManager::shared(), &ScreenshotManager::selectedRectChanged);
    bool panelOpenAtStart = true;
    QObject::connect(&ScreenshotManager::shared(), &ScreenshotManager::selectedRectChanged,
        [&] { panelOpenAtStart = app.menuBarWindow().isVisible(); });

    GlobalHotkeyManager::hotKeyEventHandler();

    ASSERT_TRUE(QTest::qWaitFor([&] { return !started.isEmpty(); }));
    EXPECT_FALSE(panelOpenAtStart);
    ScreenshotManager::shared().handleSelectionCancel();
}
