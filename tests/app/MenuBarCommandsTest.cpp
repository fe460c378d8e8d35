// The tray panel's commands: each closes the panel first (all but Quit) and
// then acts, most after a short delay.

#include "AppTestSupport.h"
#include "MenuBarTestSupport.h"
#include "app/AppDelegate.h"
#include "app/MenuBarView.h"
#include "capture/ScreenSelectionView.h"
#include "capture/ScreenshotManager.h"
#include "chat/ChatWindowManager.h"
#include "support/FakeScreenSource.h"
#include "support/OpenedLinks.h"

#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

#include <gtest/gtest.h>

using namespace MenuBarTestSupport;

namespace {

bool selectionWindowShown()
{
    for (const QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->findChild<ScreenSelectionView *>())
            return true;
    return false;
}

class MenuBarCommandsTest : public MenuBarFixture
{
protected:
    void SetUp() override
    {
        MenuBarFixture::SetUp();
        storeConversations({ conversation(QStringLiteral("Newest"), morning().addSecs(-60), 2),
            conversation(QStringLiteral("Older"), morning().addSecs(-3600), 4) });
    }

    // Clicks the button of the open panel and checks that the panel closed at once.
    void clickAndExpectClosed(const QString &buttonName)
    {
        MenuBarWindow &window = openPanel();
        click(buttonName);
        EXPECT_FALSE(window.isVisible()) << buttonName.toStdString() << " leaves the panel open";
        sinceClick.start();
    }

    QElapsedTimer sinceClick;
};

} // namespace

TEST_F(MenuBarCommandsTest, TakeScreenshotStartsASelectionATenthOfASecondAfterClosing)
{
    FakeScreenSource screens;
    const ScreenDisplay display = FakeScreenSource::display(QStringLiteral("main"), QRectF(0, 0, 800, 800));
    screens.addDisplay(display, FakeScreenSource::filledFrame(display, Qt::darkCyan));
    QSignalSpy started(&ScreenshotManager::shared(), &ScreenshotManager::selectedRectChanged);

    clickAndExpectClosed(QStringLiteral("Take Screenshot"));

    EXPECT_TRUE(started.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !started.isEmpty(); }, 10000));
    EXPECT_GE(sinceClick.elapsed(), 100);
    EXPECT_TRUE(QTest::qWaitFor(selectionWindowShown, 10000));
    EXPECT_EQ(screens.grabCount(), 1);
    ScreenshotManager::shared().handleSelectionCancel();
}

TEST_F(MenuBarCommandsTest, ARecentRowOpensItsOwnConversationAFifthOfASecondLater)
{
    openPanel();
    LogCapture log;
    clickAndExpectClosed(QStringLiteral("Older"));

    EXPECT_EQ(log.lines().value(0), QStringLiteral("🖱️ Clicked on conversation: Older"));
    QTest::qWait(150);
    EXPECT_FALSE(ChatWindowManager::shared().isOpen());
    ASSERT_TRUE(QTest::qWaitFor([] { return ChatWindowManager::shared().isOpen(); }, 10000));
    EXPECT_GE(sinceClick.elapsed(), 200);
    EXPECT_TRUE(log.contains(QStringLiteral("🔍 Opening conversation: Older")));
    EXPECT_EQ(ChatWindowManager::shared().messages().size(), 4);
}

TEST_F(MenuBarCommandsTest, ViewAllAndRecentConversationsOpenTheNewestConversation)
{
    for (const QString &button : { QStringLiteral("View All"), QStringLiteral("Recent Conversations") }) {
        ChatWindowManager::shared().setIsOpen(false);
        openPanel();
        LogCapture log;
        clickAndExpectClosed(button);

        ASSERT_TRUE(QTest::qWaitFor([] { return ChatWindowManager::shared().isOpen(); }, 10000));
        EXPECT_GE(sinceClick.elapsed(), 100);
        EXPECT_EQ(log.lines().value(0), QStringLiteral("🔍 Opening conversation: Newest"));
        EXPECT_EQ(ChatWindowManager::shared().messages().size(), 2);
    }
}

TEST_F(MenuBarCommandsTest, RecentConversationsWithoutConversationsOnlyCloses)
{
    storeConversations({});
    openPanel();
    LogCapture log;
    clickAndExpectClosed(QStringLiteral("Recent Conversations"));

    QTest::qWait(300);
    EXPECT_FALSE(ChatWindowManager::shared().isOpen());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(MenuBarCommandsTest, SettingsOpensTheSettingsWindowATenthOfASecondLater)
{
    AppDelegate delegate;
    clickAndExpectClosed(QStringLiteral("Settings"));

    EXPECT_EQ(delegate.settingsWindow(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.settingsWindow() != nullptr; }, 10000));
    EXPECT_GE(sinceClick.elapsed(), 100);
    EXPECT_TRUE(delegate.settingsWindow()->isVisible());
}

TEST_F(MenuBarCommandsTest, TheKeyboardAloneReachesSettingsWithAVisibleFocus)
{
    AppDelegate delegate;
    const auto focusedName = [] {
        const auto *button = qobject_cast<QAbstractButton *>(QApplication::focusWidget());
        return button ? button->accessibleName() : QString();
    };
    const auto press = [](MenuBarWindow &window, int key) {
        QWidget *focused = QApplication::focusWidget();
        QTest::keyClick(focused && window.isAncestorOf(focused) ? focused : &window, Qt::Key(key));
    };

    // Down reaches the first button, which shows its focus; Tab and Down go
    // on in reading order, Backtab and Up go back.
    MenuBarWindow &window = openPanel();
    QAbstractButton *capture = buttonNamed(&window, QStringLiteral("Take Screenshot"));
    ASSERT_NE(capture, nullptr);
    const QImage unfocused = capture->grab().toImage();
    press(window, Qt::Key_Down);
    EXPECT_EQ(focusedName(), QStringLiteral("Take Screenshot"));
    EXPECT_NE(capture->grab().toImage(), unfocused) << "no focus to be seen";
    const QStringList order = { QStringLiteral("Take Screenshot"), QStringLiteral("View All"),
        QStringLiteral("Newest"), QStringLiteral("Older"), QStringLiteral("Recent Conversations"),
        QStringLiteral("Settings") };
    for (qsizetype i = 1; i < order.size(); ++i) {
        press(window, i % 2 ? Qt::Key_Tab : Qt::Key_Down);
        EXPECT_EQ(focusedName(), order.at(i));
    }
    press(window, Qt::Key_Up);
    EXPECT_EQ(focusedName(), QStringLiteral("Recent Conversations"));
    press(window, Qt::Key_Backtab);
    EXPECT_EQ(focusedName(), QStringLiteral("Older"));
    press(window, Qt::Key_Down);
    press(window, Qt::Key_Right);
    ASSERT_EQ(focusedName(), QStringLiteral("Settings"));
    press(window, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.settingsWindow() != nullptr; }, 10000));
    delegate.settingsWindow()->close();

    // From the bottom, round to Settings again, and Space presses it.
    openPanel();
    press(window, Qt::Key_Up);
    EXPECT_EQ(focusedName(), QStringLiteral("Quit Pexilo"));
    while (focusedName() != QStringLiteral("Settings") && focusedName() != QStringLiteral("Take Screenshot"))
        press(window, Qt::Key_Up);
    ASSERT_EQ(focusedName(), QStringLiteral("Settings"));
    const QPointer<QWidget> first = delegate.settingsWindow();
    press(window, Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.isNull() && delegate.settingsWindow(); }, 10000));
    EXPECT_TRUE(delegate.settingsWindow()->isVisible());
}

TEST_F(MenuBarCommandsTest, SettingsWithoutADelegateOnlyCloses)
{
    openPanel();
    LogCapture log;
    clickAndExpectClosed(QStringLiteral("Settings"));

    QTest::qWait(300);
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(MenuBarCommandsTest, HelpAndSupportOpensTheSupportMailWithItsSubjectEncoded)
{
    OpenedLinks links;
    clickAndExpectClosed(QStringLiteral("Help & Support"));

    ASSERT_EQ(links.urls.size(), 1);
    EXPECT_EQ(links.urls.first().toString(QUrl::FullyEncoded),
        QStringLiteral("mailto:support@pexilo.example.com?subject=Pexilo%20Support"));
    EXPECT_EQ(QUrlQuery(links.urls.first()).queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
        QStringLiteral("Pexilo Support"));
}

TEST_F(MenuBarCommandsTest, AboutShowsItsBoxAfterClosingWithoutALoopOfItsOwn)
{
    clickAndExpectClosed(QStringLiteral("About Pexilo"));

    // The click has returned with the box on screen: nothing waits for OK.
    const auto aboutBoxes = [] {
        QList<QMessageBox *> boxes;
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
                boxes.append(box);
        return boxes;
    };
    ASSERT_EQ(aboutBoxes().size(), 1);
    QPointer<QMessageBox> box = aboutBoxes().first();
    EXPECT_EQ(box->windowTitle(), QStringLiteral("About Pexilo"));
    EXPECT_EQ(box->text(), QStringLiteral("About Pexilo"));
    EXPECT_EQ(box->informativeText(), QStringLiteral("Pexilo v1.0.0 Beta\nAI-powered screenshot analysis"));
    QStringList buttons;
    for (const QAbstractButton *button : box->buttons())
        buttons.append(button->text());
    EXPECT_EQ(buttons, QStringList { "OK" });
    EXPECT_NE(box->windowModality(), Qt::ApplicationModal);

    // A second click brings back the same box.
    clickAndExpectClosed(QStringLiteral("About Pexilo"));
    EXPECT_EQ(aboutBoxes(), QList<QMessageBox *> { box.data() });

    box->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return box.isNull(); })) << "OK leaves the box behind";
}

TEST_F(MenuBarCommandsTest, QuitEndsTheApplication)
{
    openPanel();
    QTimer::singleShot(0, [&] { click(QStringLiteral("Quit Pexilo")); });
    QTimer::singleShot(2000, [] { QCoreApplication::exit(7); });

    EXPECT_EQ(QApplication::exec(), 0);
}
