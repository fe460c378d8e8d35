// The chat window's own keys after one of its dialogs, on a real X server
// without a window manager (tests/support/run-in-xvfb.sh). A window manager
// hands the keyboard back to a dialog's window when the dialog closes;
// without one nobody does unless the application itself, and the keys
// arrive as a user presses them: through the server, by xdotool.

#include "ChatFixture.h"

#include <QFileDialog>
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
