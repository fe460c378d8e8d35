// show-chat-window <out-dir>: opens the chat window over sample saved
// conversations, a screenshot and a transcript, and leaves pictures of it:
// chat.png (sidebar hidden), chat-sidebar.png (sidebar shown, a row under
// the pointer), chat-thinking.png (a question awaiting its answer) and
// chat-empty.png (no image, no messages). It runs on whatever platform Qt
// is given (offscreen by default), at the screen's device pixel ratio.

#include "ChatSamples.h"
#include "ai/AIManager.h"
#include "app/AppWiring.h"
#include "chat/ChatWindowManager.h"
#include "chat/ChatWindowView.h"
#include "chat/ConversationGroupView.h"
#include "chat/ConversationRowView.h"
#include "chat/ConversationSidebarView.h"
#include "store/ConversationManager.h"
#include "ui/AnimatedValue.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QTest>

#include <cstdio>

namespace {

bool save(QWidget *window, const QString &path)
{
    // Let posted layouts, thumbnails and repaints settle first.
    QTest::qWait(300);
    const bool written = window->grab().save(path, "PNG");
    std::printf("%s: %s\n", qPrintable(path), written ? "written" : "NOT WRITTEN");
    return written;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: show-chat-window <out-dir>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    AnimatedValue::setFinishAtOnce(true);
    AppWiring::install();

    const QDateTime now = QDateTime::currentDateTime();
    ChatSamples::storeConversations(ChatSamples::conversations(14, now));
    ChatWindowManager &chat = ChatWindowManager::shared();
    chat.openChatWindowWithHistory(
        ChatSamples::screenshot(QSize(640, 400), 3), ChatSamples::responses(3, now));
    QWidget *window = chat.chatWindow();
    bool ok = QTest::qWaitForWindowExposed(window) && save(window, out.filePath(QStringLiteral("chat.png")));

    ConversationManager::shared().toggleSidebar();
    auto *view = qobject_cast<ChatWindowView *>(window);
    if (view && !view->sidebar()->groups().isEmpty()) {
        ConversationRowView *row = view->sidebar()->groups().first()->rows().value(1);
        if (row) {
            QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), row->mapToGlobal(QPointF(10, 10)));
            QApplication::sendEvent(row, &enter);
        }
    }
    ok = save(window, out.filePath(QStringLiteral("chat-sidebar.png"))) && ok;

    chat.setIsProcessing(true);
    ok = save(window, out.filePath(QStringLiteral("chat-thinking.png"))) && ok;
    chat.setIsProcessing(false);

    ConversationManager::shared().toggleSidebar();
    chat.setCurrentScreenshot(std::nullopt);
    chat.removeAllMessages();
    ok = save(window, out.filePath(QStringLiteral("chat-empty.png"))) && ok;
    return ok ? 0 : 1;
}
