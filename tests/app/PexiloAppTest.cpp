#include "app/PexiloApp.h"

#include "AppTestSupport.h"
#include "ai/AIManager.h"
#include "capture/ScreenshotManager.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

TEST(PexiloAppTest, HoldsTheSharedStateAndInstallsItsDelegate)
{
    UserDefaults::standard().setString(OnboardingManager::userNameKey, QStringLiteral("Ada"));
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
