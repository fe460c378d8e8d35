// The chat window's own keys after one of its dialogs, on a real X server
// without a window manager (tests/support/run-in-xvfb.sh). A window manager
// hands the keyboard back to a dialog's window when the dialog closes;
// without one nobody does unless the application itself, and the keys
// arrive as a user presses them: through the server, by xdotool.

#include "ChatFixture.h"

#include "chat/SavePanelPresenter.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

namespace {

using ChatX11Test = ChatFixture;

void press(const QString &keys)
{
    EXPECT_EQ(QProcess::execute(QStringLiteral("xdotool"), { QStringLiteral("key"), keys }), 0);
}

template<typename Dialog> Dialog *activeDialog()
{
    Dialog *found = nullptr;
    const bool shown = QTest::qWaitFor(
        [&] {
            found = qobject_cast<Dialog *>(QApplication::activeWindow());
            return found != nullptr;
        },
        10000);
    return shown ? found : nullptr;
}

// The shown message box that holds the keyboard: its window is mapped and
// the server has given it the input focus, so that keys typed now reach it.
QMessageBox *activeMessageBox()
{
    QMessageBox *found = nullptr;
    const bool shown = QTest::qWaitFor(
        [&] {
            found = nullptr;
            for (QWidget *window : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(window);
                if (box && box->isVisible() && box->windowHandle() && box->windowHandle()->isExposed()
                    && QApplication::activeWindow() == box)
                    found = box;
            }
            return found != nullptr;
        },
        10000);
    return shown ? found : nullptr;
}

bool chatClosed()
{
    return QTest::qWaitFor([] { return !ChatWindowManager::shared().chatWindow(); }, 10000);
}

} // namespace

TEST_F(ChatX11Test, EscapeAndCtrlWCloseTheChatAfterTheSaveDialogIsCancelled)
{
    for (const QString &keys : { QStringLiteral("Escape"), QStringLiteral("ctrl+w") }) {
        SCOPED_TRACE(keys.toStdString());
        ChatWindowView *view = open();
        ASSERT_NE(view, nullptr);
        ChatWindowManager::shared().saveScreenshot();
        QFileDialog *dialog = activeDialog<QFileDialog>();
        ASSERT_NE(dialog, nullptr) << "no save dialog took the keyboard";
        press(QStringLiteral("Escape"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->isVisible(); }, 10000)) << "Escape left the dialog open";

        ASSERT_TRUE(QTest::qWaitForWindowActive(view)) << "the chat window did not get the keyboard back";
        press(keys);
        EXPECT_TRUE(chatClosed()) << "the key did not close the chat";
    }
}

TEST_F(ChatX11Test, EscapeAndCtrlWCloseTheChatAfterTheFailureBoxIsDismissed)
{
    // A file in a folder that does not exist: the save fails whoever runs
    // the test, root included. The answer comes from the presenter, so that
    // the only dialog on the screen is the failure box.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString target = folder.filePath(QStringLiteral("missing/shot.png"));
    SavePanelPresenter::setPresenter([target](QWidget *, const SavePanel &) { return target; });
    const auto restorePresenter = qScopeGuard([] { SavePanelPresenter::setPresenter({}); });

    for (const QString &keys : { QStringLiteral("Escape"), QStringLiteral("ctrl+w") }) {
        SCOPED_TRACE(keys.toStdString());
        ChatWindowView *view = open();
        ASSERT_NE(view, nullptr);
        ChatWindowManager::shared().saveScreenshot();
        QPointer<QMessageBox> box = activeMessageBox();
        ASSERT_NE(box, nullptr) << "no failure box took the keyboard";
        EXPECT_TRUE(box->text().contains(QDir::toNativeSeparators(target))) << box->text().toStdString();
        press(QStringLiteral("Return"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !box || !box->isVisible(); }, 10000))
            << "Return left the box open";

        ASSERT_TRUE(QTest::qWaitForWindowActive(view)) << "the chat window did not get the keyboard back";
        press(keys);
        EXPECT_TRUE(chatClosed()) << "the key did not close the chat";
    }
}
