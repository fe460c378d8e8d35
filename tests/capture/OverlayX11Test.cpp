// The overlay on a real X server, where windows and other programs take the
// keyboard from it as they do on a user's desktop.

#include "CaptureTestSupport.h"
#include "ai/AIManager.h"
#include "app/AppWiring.h"
#include "capture/ScreenSelectionView.h"
#include "capture/ScreenshotManager.h"
#include "store/ConversationManager.h"
#include "support/OtherX11Client.h"

#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

using namespace CaptureTestSupport;

namespace {

using Level = KeyableOverlayWindow::Level;

class OverlayX11Test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        AppWiring::install();
        ConversationManager::shared().loadConversations();
    }

    void TearDown() override
    {
        AIManager::shared().resetForNewScreenshot();
        if (manager.isShowingOverlay())
            manager.closeOverlay();
        deleteClosedWindows();
    }

    // Captures a rectangle of the screen and waits for the overlay to have
    // the keyboard, with an answer about the capture.
    KeyableOverlayWindow *showAnsweredOverlay()
    {
        manager.startScreenshotSelection();
        if (!QTest::qWaitFor([] { return visibleWindow(Level::ScreenSaver) != nullptr; }, 5000))
            return nullptr;
        auto *view = visibleWindow(Level::ScreenSaver)->findChild<ScreenSelectionView *>();
        drag(view, { 99, 99 }, { { 100, 100 }, { 300, 200 } });
        KeyableOverlayWindow *overlay = visibleWindow(Level::Floating);
        if (!overlay || !QTest::qWaitForWindowActive(overlay, 5000))
            return nullptr;
        AIManager::shared().setResponses({ AIResponse { QStringLiteral("An answer."),
            QDateTime::currentDateTime(), std::nullopt, QStringLiteral("What?") } });
        return overlay;
    }

    ScreenshotManager &manager = ScreenshotManager::shared();
};

} // namespace

TEST_F(OverlayX11Test, AnotherProgramTakingTheKeyboardClosesTheOverlayAndSavesIt)
{
    ASSERT_NE(showAnsweredOverlay(), nullptr);
    OtherX11Client other;
    other.takeFocus();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !manager.isShowingOverlay(); }, 5000));
    EXPECT_EQ(visibleWindow(Level::Floating), nullptr);
    EXPECT_EQ(ConversationManager::shared().conversations().size(), 1);
}

TEST_F(OverlayX11Test, AMenuThatTakesTheKeyboardForAMomentLeavesTheOverlayOpen)
{
    KeyableOverlayWindow *overlay = showAnsweredOverlay();
    ASSERT_NE(overlay, nullptr);
    QMenu menu;
    menu.addAction(QStringLiteral("Item"));
    menu.popup(QPoint(400, 400));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    QTest::qWait(300);
    menu.close();
    // Longer than the window system takes to report the keyboard gone.
    QTest::qWait(1000);
    EXPECT_TRUE(manager.isShowingOverlay());
    EXPECT_EQ(visibleWindow(Level::Floating), overlay);
}
