// The hot key of the application against a real X server: presses come from
// xdotool through the server's test extension, exactly as from a keyboard.

#include "AppTestSupport.h"
#include "app/GlobalHotkeyManager.h"
#include "app/PexiloApp.h"
#include "support/OtherX11Client.h"

#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString registered = QStringLiteral("✅ Global hotkey Ctrl+Shift+2 registered successfully");
const QString unregistered = QStringLiteral("🗑️ Unregistered previous hotkey");
const QString pressed = QStringLiteral("🔥 Global hotkey pressed! Starting screenshot...");
constexpr quint16 controlShift = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;

// Types the keys (Ctrl+Shift+2 unless told) and tells how many press lines
// the log gained: waits up to `timeoutMs` for the first and a little longer
// for any more.
int pressesAfterTyping(
    const LogCapture &log, int timeoutMs = 3000, const QString &keys = QStringLiteral("ctrl+shift+2"))
{
    const qsizetype before = log.lines().count(pressed);
    EXPECT_EQ(QProcess::execute(QStringLiteral("xdotool"), { QStringLiteral("key"), keys }), 0);
    (void)QTest::qWaitFor([&] { return log.lines().count(pressed) > before; }, timeoutMs);
    QTest::qWait(300);
    return int(log.lines().count(pressed) - before);
}

// The hot key manager is the process's own: each case starts with the key
// not grabbed, whatever the case before it left.
class AppX11Test : public ::testing::Test
{
protected:
    void SetUp() override { GlobalHotkeyManager::shared().unregisterGlobalHotkey(); }
};

} // namespace

TEST_F(AppX11Test, RegisteringTwiceKeepsOneRegistration)
{
    GlobalHotkeyManager &manager = GlobalHotkeyManager::shared();
    LogCapture log;

    manager.registerGlobalHotkey();
    manager.registerGlobalHotkey();

    EXPECT_EQ(log.lines(), QStringList({ registered, unregistered, registered }));
    EXPECT_TRUE(manager.isRegistered());
    EXPECT_EQ(pressesAfterTyping(log), 1);
}

TEST_F(AppX11Test, AKeyHeldByAnotherProgramIsRefusedWithTheXError)
{
    OtherX11Client other;
    ASSERT_TRUE(other.keyBecomesFree());
    ASSERT_EQ(other.grab(controlShift), 0);
    GlobalHotkeyManager &manager = GlobalHotkeyManager::shared();
    LogCapture log;

    manager.registerGlobalHotkey();
    EXPECT_EQ(log.lines(), QStringList { QStringLiteral("❌ Failed to register global hotkey. Status: 10") });
    EXPECT_FALSE(manager.isRegistered());
    EXPECT_EQ(pressesAfterTyping(log, 1000), 0);

    // Once the other program lets go, the next registration succeeds.
    other.ungrab(controlShift);
    ASSERT_TRUE(other.keyBecomesFree());
    log.clear();
    manager.registerGlobalHotkey();
    EXPECT_EQ(log.lines(), QStringList { registered });
    EXPECT_EQ(pressesAfterTyping(log), 1);
}

TEST_F(AppX11Test, UnregisteringReleasesTheKeyOnce)
{
    OtherX11Client other;
    GlobalHotkeyManager &manager = GlobalHotkeyManager::shared();
    manager.registerGlobalHotkey();
    ASSERT_FALSE(other.keyIsFree());

    LogCapture log;
    manager.unregisterGlobalHotkey();
    manager.unregisterGlobalHotkey();

    EXPECT_EQ(log.lines(), QStringList { unregistered });
    EXPECT_TRUE(other.keyBecomesFree());
    EXPECT_EQ(pressesAfterTyping(log, 1000), 0);
}

TEST_F(AppX11Test, QuittingTheApplicationReleasesTheHotKey)
{
    OtherX11Client other;
    PexiloApp app;
    GlobalHotkeyManager::shared().registerGlobalHotkey();
    ASSERT_FALSE(other.keyIsFree());

    LogCapture log;
    QTimer::singleShot(0, &QCoreApplication::quit);
    QApplication::exec();

    EXPECT_EQ(log.lines(), QStringList { unregistered });
    EXPECT_TRUE(other.keyBecomesFree());
}

// The grab holds the key that typed "2" when it was made; a new layout may
// put "2" elsewhere. us: the key of "2". Programmer Dvorak: Shift and the key
// of "8" in us, while the key of "2" in us gives "7" with Shift. French:
// Shift and the key of "2" again, so going back to us moves nothing.
TEST_F(AppX11Test, ANewKeyboardLayoutMovesTheHotKeyWithTheKeyThatTypesTwo)
{
    GlobalHotkeyManager &manager = GlobalHotkeyManager::shared();
    manager.registerGlobalHotkey();
    LogCapture log;
    const auto setLayout = [&log](const QStringList &layout, bool keyMoves) {
        log.clear();
        ASSERT_EQ(QProcess::execute(QStringLiteral("setxkbmap"), layout), 0);
        if (keyMoves) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return log.lines().contains(registered); }, 5000));
            EXPECT_EQ(log.lines(), QStringList({ unregistered, registered }));
        }
        EXPECT_EQ(pressesAfterTyping(log), 1);
        EXPECT_EQ(log.lines().mid(keyMoves ? 2 : 0), QStringList { pressed });
        log.clear();
    };

    setLayout({ QStringLiteral("us"), QStringLiteral("dvp") }, true);
    EXPECT_EQ(pressesAfterTyping(log, 1000, QStringLiteral("ctrl+shift+7")), 0) << "the key of 2 in us";
    setLayout({ QStringLiteral("fr") }, true);
    EXPECT_EQ(pressesAfterTyping(log, 1000, QStringLiteral("ctrl+shift+8")), 0) << "the key of 2 in dvp";
    setLayout({ QStringLiteral("us") }, false);
}
