#include "app/GlobalHotkeyManager.h"
#include "capture/ScreenshotManager.h"

#include "AppTestSupport.h"

#include <gtest/gtest.h>

TEST(GlobalHotkeyManagerTest, RegistrationOutsideAnX11SessionLogsTheFailureAndStaysIdle)
{
    GlobalHotkeyManager &manager = GlobalHotkeyManager::shared();
    LogCapture log;

    manager.unregisterGlobalHotkey();
    EXPECT_TRUE(log.lines().isEmpty()) << "unregistering while idle logs nothing";

    manager.registerGlobalHotkey();
    manager.registerGlobalHotkey();
    EXPECT_EQ(log.lines(), QStringList({ registrationFailedOffscreen, registrationFailedOffscreen }))
        << "a failed registration leaves nothing to unregister";
    EXPECT_FALSE(manager.isRegistered());

    log.clear();
    manager.unregisterGlobalHotkey();
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(GlobalHotkeyManagerTest, APressIsHandledFromTheEventLoop)
{
    LogCapture log;
    QElapsedTimer sincePress;
    sincePress.start();

    GlobalHotkeyManager::hotKeyEventHandler();
    EXPECT_TRUE(log.lines().isEmpty()) << "the handler itself does nothing";

    const QString pressed = QStringLiteral("🔥 Global hotkey pressed! Starting screenshot...");
    EXPECT_NE(msUntilLogged(log, pressed, sincePress), -1);
    QTest::qWait(50);
    EXPECT_EQ(log.lines(), QStringList { pressed });
    // The selection the press started would come up during later cases.
    ScreenshotManager::shared().handleSelectionCancel();
}

TEST(GlobalHotkeyManagerTest, FourCharCodePutsTheFirstCharacterInTheHighByte)
{
    EXPECT_EQ(fourCharCode(u"pexo"), 0x7065786Fu);
    EXPECT_EQ(
        fourCharCode(u"pexo"), quint32('p') << 24 | quint32('e') << 16 | quint32('x') << 8 | quint32('o'));
    EXPECT_EQ(fourCharCode(u"keyb"), 0x6B657962u);
}
