// The start-up while another program holds the settings file: a program of
// its own, since no connection of this process may have the file open when
// the other program takes it (in write-ahead-log mode, an open connection
// keeps it from being taken whole).

#include "app/PexiloApp.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "support/DatabaseLock.h"
#include "support/FakeScreenCapturePermission.h"
#include "support/LogCapture.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <iostream>

namespace {

// The workers that read the settings may be kept waiting for seconds on a
// busy machine.
constexpr int generousTimeoutMs = 30000;

// The longest stretch for which the GUI thread did not come back to its
// event loop, measured by a timer that asks to run every 10 ms.
class EventLoopStalls : public QObject
{
public:
    EventLoopStalls()
    {
        m_sinceLastTick.start();
        m_tick.callOnTimeout(this, [this] { m_longest = qMax(m_longest, m_sinceLastTick.restart()); });
        m_tick.start(10);
    }
    qint64 longestMs() const { return m_longest; }

private:
    QTimer m_tick;
    QElapsedTimer m_sinceLastTick;
    qint64 m_longest = 0;
};

} // namespace

// Another program holding the settings file for 20 s at start: the tray
// icon shows at once and the GUI thread goes on, no window opens while
// nothing can be read, and once it can, the later start's road follows
// (no onboarding, the permission checked, the panel's name read).
TEST(StartUpTest, ALockedSettingsFileHoldsUpNeitherTheTrayIconNorTheWindowThatFollows)
{
    {
        // As an earlier run left them.
        UserDefaults earlier(UserDefaults::standardPath());
        ASSERT_TRUE(earlier.setBool(SettingsKeys::hasCompletedOnboarding.name, true));
        ASSERT_TRUE(earlier.setString(SettingsKeys::userName.name, QStringLiteral("Ada")));
    }
    FakeScreenCapturePermission permission(true);
    DatabaseLock other(UserDefaults::standardPath());
    ASSERT_TRUE(other.isHeld());
    other.releaseAfter(std::chrono::seconds(20));
    LogCapture log;

    QElapsedTimer startUp;
    startUp.start();
    PexiloApp app;
    app.appDelegate().applicationDidFinishLaunching();
    app.applicationDidStart();
    const qint64 startUpMs = startUp.elapsed();
    EXPECT_TRUE(app.trayIcon().isVisible());
    EXPECT_LT(startUpMs, 1000) << "the tray icon waited for the settings file";

    EventLoopStalls stalls;
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.onboardingManager().userName() == QStringLiteral("Ada"); },
        generousTimeoutMs + 20000));
    EXPECT_GE(startUp.elapsed(), 15000) << "read while the file was held";
    EXPECT_LT(stalls.longestMs(), 1000) << "the GUI thread waited for the settings file";
    EXPECT_TRUE(app.onboardingManager().hasCompletedOnboarding());
    EXPECT_TRUE(QTest::qWaitFor([&] { return permission.preflightCount == 1; }, generousTimeoutMs));
    EXPECT_EQ(app.appDelegate().onboardingWindow(), nullptr);
    EXPECT_FALSE(log.contains(QStringLiteral("🔧 showOnboardingWindow called")));
    EXPECT_TRUE(
        log.contains(QStringLiteral("⚠️ Could not read the settings at start-up (database is locked); "
                                    "trying again in 1 s, with no window until then")))
        << log.lines().join(u'\n').toStdString();
    std::cout << "start-up took " << startUpMs
              << " ms; the GUI thread's longest stall while the file was held: " << stalls.longestMs()
              << " ms" << std::endl;
}
