// The chat window's own keys after one of its dialogs, on a real X server
// without a window manager (tests/support/run-in-xvfb.sh). A window manager
// hands the keyboard back to a dialog's window when the dialog closes;
// without one nobody does unless the application itself, and the keys
// arrive as a user presses them: through the server, by xdotool.

#include "ChatFixture.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>

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

bool chatClosed()
{
    return QTest::qWaitFor([] { return !ChatWindowManager::shared().chatWindow(); }, 10000);
}

} // namespace

TEST_F(ChatX11Test, EscapeClosesTheChatAfterTheSaveDialogIsCancelled)
{
    ChatWindowView *view = open();
    ASSERT_NE(view, nullptr);
    ChatWindowManager::shared().saveScreenshot();
    QFileDialog *dialog = activeDialog<QFileDialog>();
    ASSERT_NE(dialog, nullptr) << "no save dialog took the keyboard";
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->isVisible(); }, 10000)) << "Escape left the dialog open";

    ASSERT_TRUE(QTest::qWaitForWindowActive(view)) << "the chat window did not get the keyboard back";
    press(QStringLiteral("Escape"));
    EXPECT_TRUE(chatClosed()) << "Escape did not close the chat";
}

TEST_F(ChatX11Test, CtrlWClosesTheChatAfterTheFailureBoxIsDismissed)
{
    ChatWindowView *view = open();
    ASSERT_NE(view, nullptr);
    ChatWindowManager::shared().saveScreenshot();
    QFileDialog *dialog = activeDialog<QFileDialog>();
    ASSERT_NE(dialog, nullptr);
    // A folder that takes no new file, whoever runs the test.
    dialog->selectFile(QStringLiteral("/proc/pexilo-shot.png"));
    static_cast<QDialog *>(dialog)->accept();
    QMessageBox *box = activeDialog<QMessageBox>();
    ASSERT_NE(box, nullptr) << "no failure box";
    press(QStringLiteral("Return"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box->isVisible(); }, 10000));

    ASSERT_TRUE(QTest::qWaitForWindowActive(view)) << "the chat window did not get the keyboard back";
    press(QStringLiteral("ctrl+w"));
    EXPECT_TRUE(chatClosed()) << "Ctrl+W did not close the chat";
}
