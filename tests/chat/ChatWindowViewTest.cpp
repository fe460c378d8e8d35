#include "ChatFixture.h"
#include "chat/ChatTexts.h"
#include "chat/ConversationGroupView.h"
#include "chat/ConversationRowView.h"
#include "chat/ConversationSidebarView.h"
#include "chat/HoverActionButton.h"
#include "chat/SavePanelPresenter.h"
#include "chat/ScreenshotImageView.h"
#include "chat/ScreenshotPanelView.h"
#include "chat/SymbolButton.h"
#include "chat/TranscriptListView.h"
#include "chat/TranscriptMessageView.h"
#include "chat/TranscriptTypingView.h"
#include "platform/ImageData.h"
#include "store/DateEnvironment.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"
#include "ui/markup/TextBlock.h"

#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>

namespace {

const QDateTime when(QDate(2024, 3, 15), QTime(9, 0), Qt::UTC);

AIResponse answer(const QString &question, const QString &content)
{
    return AIResponse { content, when, std::nullopt, question };
}

QString status()
{
    return ChatFixture::view()->chatPanel()->statusLabel()->text();
}

void click(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

void hover(QWidget *widget, bool inside)
{
    if (inside) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(widget, &leave);
    }
}

ConversationRowView *rowOf(const QUuid &id)
{
    for (ConversationGroupView *group : ChatFixture::view()->sidebar()->groups())
        for (ConversationRowView *row : group->rows())
            if (row->conversation().id() == id)
                return row;
    return nullptr;
}

// Waits for the sidebar's rebuild after a change of the store.
void settle()
{
    QTest::qWait(20);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

using ChatWindowViewTest = ChatFixture;

TEST_F(ChatWindowViewTest, AFollowUpIsTrimmedSentAboutTheScreenshotAndAnswered)
{
    service.enqueue("POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("It goes up.")));
    open({ answer(QStringLiteral("What is this?"), QStringLiteral("A chart.")) });
    EXPECT_EQ(status(), QStringLiteral("2 messages"));

    send(QStringLiteral("  \tAnd the trend?  "));
    EXPECT_EQ(transcript(), QStringList({ "user:What is this?", "ai:A chart.", "user:And the trend?" }));
    EXPECT_TRUE(input()->toPlainText().isEmpty());
    EXPECT_EQ(status(), QStringLiteral("AI is thinking..."));
    EXPECT_FALSE(input()->isEnabled());
    ASSERT_NE(view()->chatPanel()->transcript()->typingRow(), nullptr);
    // A second question while the first waits does nothing.
    EXPECT_FALSE(ChatWindowManager::shared().sendMessage(QStringLiteral("another")));

    ASSERT_TRUE(waitForAnswer());
    EXPECT_EQ(transcript().last(), QStringLiteral("ai:It goes up."));
    EXPECT_EQ(status(), QStringLiteral("4 messages"));
    EXPECT_TRUE(input()->isEnabled());
    EXPECT_EQ(view()->chatPanel()->transcript()->typingRow(), nullptr);
    ASSERT_EQ(chatRequests().size(), 1);
    EXPECT_TRUE(sentPrompt(0).endsWith(QStringLiteral("And the trend?")));
    // The answer the overlay handed over, then the follow-up's.
    EXPECT_EQ(AIManager::shared().responses().size(), 2);
}

TEST_F(ChatWindowViewTest, ASendIsRefusedWhenBlankOrWithoutAScreenshot)
{
    open({}, std::nullopt);
    EXPECT_EQ(status(), QStringLiteral("Start a conversation"));
    ASSERT_NE(view()->chatPanel()->transcript()->emptyState(), nullptr);

    // Spaces and tabs only: blank, the button disabled, shrunk and faint.
    QTest::keyClicks(input(), QStringLiteral(" \t "));
    SymbolButton *sendButton = view()->chatPanel()->sendButton();
    EXPECT_FALSE(sendButton->isEnabled());
    EXPECT_DOUBLE_EQ(sendButton->scale(), 0.8);
    EXPECT_EQ(sendButton->look().colour, ChatPanelView::sendButtonColor(false, true));
    QTest::keyClick(input(), Qt::Key_Return);
    EXPECT_TRUE(ChatWindowManager::shared().messages().isEmpty());

    // Text without a screenshot stays in the field and nothing is added.
    input()->clear();
    send(QStringLiteral("Hello"));
    EXPECT_TRUE(sendButton->isEnabled());
    EXPECT_EQ(sendButton->look().colour, Palette::blue());
    EXPECT_EQ(input()->toPlainText(), QStringLiteral("Hello"));
    EXPECT_TRUE(ChatWindowManager::shared().messages().isEmpty());
    EXPECT_TRUE(chatRequests().isEmpty());
}

TEST_F(ChatWindowViewTest, LineBreaksAreNeitherTrimmedNorBlankAndTheInputGrowsToFourLines)
{
    service.setDefault("POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("ok")));
    open();
    const int oneLine = input()->height();
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(input(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(input()->toPlainText(), QStringLiteral("\n\n\n\n\n\n"));
    EXPECT_EQ(input()->visibleLines(), 4);
    EXPECT_GT(input()->height(), 3 * oneLine);
    EXPECT_TRUE(view()->chatPanel()->sendButton()->isEnabled());

    QTest::keyClick(input(), Qt::Key_Return);
    EXPECT_EQ(transcript(), QStringList({ "user:\n\n\n\n\n\n" }));
    EXPECT_EQ(input()->visibleLines(), 1);
    ASSERT_TRUE(waitForAnswer());
}

// An answer of millions of characters shows at once: only its blocks in
// view, and a screenful around them, are made; the end is made when it is
// scrolled to.
TEST_F(ChatWindowViewTest, AHugeAnswerMakesOnlyTheBlocksInView)
{
    QString huge;
    huge.reserve(3'000'000);
    for (int line = 0; huge.size() < 3'000'000; ++line)
        huge += QStringLiteral("Line %1 of a very long answer, with some words to wrap.\n").arg(line);
    huge += QStringLiteral("The very end.");
    open({ answer(QStringLiteral("Everything?"), huge) });
    TranscriptMessageView *row = view()->chatPanel()->transcript()->rows().at(1);
    QCoreApplication::processEvents();
    const QList<TextBlock *> blocks = row->findChildren<TextBlock *>();
    ASSERT_FALSE(blocks.isEmpty());
    EXPECT_LT(blocks.size(), 60);
    EXPECT_TRUE(huge.startsWith(row->textBlock()->plainText()));

    QScrollArea *area = view()->chatPanel()->transcriptScrollArea();
    const auto endInView = [&] {
        area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
        for (const TextBlock *block : row->findChildren<TextBlock *>()) {
            const QRect shown(block->mapTo(area->viewport(), QPoint()), block->size());
            if (block->plainText().endsWith(QStringLiteral("The very end."))
                && area->viewport()->rect().intersects(shown))
                return true;
        }
        return false;
    };
    EXPECT_TRUE(QTest::qWaitFor(endInView, 10000));
    EXPECT_LT(row->findChildren<TextBlock *>().size(), 120);
}

TEST_F(ChatWindowViewTest, AFailedRequestShowsTheErrorTextAsTheAnswer)
{
    service.enqueue("POST", "/v1/chat/completions", FakeReply::withStatus(500, "{}"));
    open();
    send(QStringLiteral("Why?"));
    ASSERT_TRUE(waitForAnswer());
    ASSERT_EQ(ChatWindowManager::shared().messages().size(), 2);
    const ChatMessage &reply = ChatWindowManager::shared().messages().last();
    EXPECT_FALSE(reply.isUser());
    EXPECT_EQ(reply.content(), AIManager::shared().responses().last().content);
    EXPECT_FALSE(reply.content().isEmpty());
}

// Clear empties the transcript and the AI client's answers but keeps the
// screenshot and the context: the next question still carries it. An
// answer that arrives after a Clear becomes the only line.
TEST_F(ChatWindowViewTest, ClearKeepsTheScreenshotAndTheContext)
{
    service.enqueue(
        "POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("A red square.")));
    open();
    send(QStringLiteral("What is it?"));
    ASSERT_TRUE(waitForAnswer());
    ConversationManager::shared().saveCurrentConversation();
    ASSERT_TRUE(ConversationManager::shared().currentConversation().has_value());

    FakeReply slow = FakeReply::chatCompletion(QStringLiteral("Bright red."));
    slow.delay = std::chrono::milliseconds(300);
    service.enqueue("POST", "/v1/chat/completions", slow);
    send(QStringLiteral("Which shade?"));
    click(view()->chatPanel()->clearButton());

    EXPECT_TRUE(ChatWindowManager::shared().messages().isEmpty());
    EXPECT_TRUE(AIManager::shared().responses().isEmpty());
    EXPECT_FALSE(AIManager::shared().lastResponse().has_value());
    EXPECT_FALSE(ConversationManager::shared().currentConversation().has_value());
    EXPECT_TRUE(ChatWindowManager::shared().currentScreenshot().has_value());
    EXPECT_NE(view()->chatPanel()->transcript()->emptyState(), nullptr);
    EXPECT_NE(view()->chatPanel()->transcript()->typingRow(), nullptr);

    ASSERT_TRUE(waitForAnswer());
    EXPECT_EQ(transcript(), QStringList({ "ai:Bright red." }));
    ASSERT_EQ(chatRequests().size(), 2);
    EXPECT_TRUE(sentPrompt(1).contains(QStringLiteral("A red square.")));
}

// Ctrl+W (with Shift too) and Escape (with any modifier) close the chat and
// go no further; other keys reach the input.
TEST_F(ChatWindowViewTest, CtrlWAndEscapeCloseOtherKeysReachTheInput)
{
    struct Case
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool closes;
    };
    const Case cases[] = {
        { Qt::Key_W, Qt::ControlModifier, true },
        { Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier, true },
        { Qt::Key_Escape, Qt::NoModifier, true },
        { Qt::Key_Escape, Qt::ControlModifier, true },
        { Qt::Key_W, Qt::NoModifier, false },
        { Qt::Key_A, Qt::ControlModifier, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QKeySequence(c.key | c.modifiers).toString().toStdString());
        open();
        input()->setFocus();
        QTest::keyClick(input(), c.key, c.modifiers);
        EXPECT_EQ(ChatWindowManager::shared().isOpen(), !c.closes);
        if (!c.closes && c.modifiers == Qt::NoModifier) {
            EXPECT_EQ(input()->toPlainText(), QStringLiteral("w"));
        }
        resetSharedState();
    }
}

// One key press acts once: while a window of the capture shows, it takes
// Escape and Ctrl+W; so do a popup and another window of the application.
TEST_F(ChatWindowViewTest, EscapeMeantForAnotherWindowLeavesTheChatOpen)
{
    ChatWindowView *chat = open();
    bool captureShows = true;
    ChatWindowManager::shared().setCaptureHoldsKeys([&captureShows] { return captureShows; });
    QTest::keyClick(input(), Qt::Key_Escape);
    QTest::keyClick(input(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(ChatWindowManager::shared().isOpen());

    captureShows = false;
    QWidget other;
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QTest::keyClick(&other, Qt::Key_Escape);
    EXPECT_TRUE(ChatWindowManager::shared().isOpen());

    chat->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(chat));
    QTest::keyClick(input(), Qt::Key_Escape);
    EXPECT_FALSE(ChatWindowManager::shared().isOpen());
}

// Follow-ups asked in a conversation opened from the sidebar are kept in
// that conversation when the chat closes; a close with nothing new writes
// nothing.
TEST_F(ChatWindowViewTest, FollowUpsInAConversationOpenedFromTheSidebarAreKept)
{
    const Conversation older
        = saveConversation(image(2), { answer(QStringLiteral("Older question"), QStringLiteral("Older answer")) });
    saveConversation(image(3), { answer(QStringLiteral("Newer question"), QStringLiteral("Newer answer")) });
    ConversationManager &store = ConversationManager::shared();
    ASSERT_EQ(store.conversations().at(1).id(), older.id());
    const qsizetype count = store.conversations().size();

    open();
    ConversationManager::shared().toggleSidebar();
    settle();
    ConversationRowView *row = rowOf(older.id());
    ASSERT_NE(row, nullptr);
    click(row);
    EXPECT_EQ(transcript(), QStringList({ "user:Older question", "ai:Older answer" }));
    EXPECT_TRUE(store.isSidebarExpanded());

    // Nothing asked: a close writes nothing.
    QSignalSpy changes(&store, &ConversationManager::conversationsChanged);
    QTest::keyClick(input(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_TRUE(
        log.contains(QStringLiteral("💾 Skipping save - viewing existing conversation: 'Older question'")));
    ASSERT_TRUE(waitForWindowGone());

    service.enqueue(
        "POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("A follow-up answer.")));
    open();
    settle();
    click(rowOf(older.id()));
    send(QStringLiteral("A follow-up?"));
    ASSERT_TRUE(waitForAnswer());
    view()->close(); // the title bar

    EXPECT_EQ(store.conversations().size(), count);
    const Conversation &kept = store.conversations().at(1);
    EXPECT_EQ(kept.id(), older.id());
    EXPECT_EQ(kept.title(), older.title());
    EXPECT_EQ(kept.createdAt(), older.createdAt());
    EXPECT_EQ(kept.screenshotData(), older.screenshotData());
    QStringList lines;
    for (const SavedMessage &message : kept.messages())
        lines << message.content();
    EXPECT_EQ(
        lines, QStringList({ "Older question", "Older answer", "A follow-up?", "A follow-up answer." }));
}

// Clicks on what takes no typing (the image, the lists' empty space, a
// line's text) leave the keyboard in the input, so that typing goes on there.
TEST_F(ChatWindowViewTest, ClicksBesideTheInputKeepTheKeyboardInIt)
{
    open({ answer(QStringLiteral("q"), QStringLiteral("an answer")) });
    ConversationManager::shared().toggleSidebar();
    settle();
    ChatWindowView *chat = view();
    QScrollArea *transcriptArea = chat->chatPanel()->transcriptScrollArea();
    ScreenshotPanelView *panel = chat->screenshotPanel();
    QWidget *text = chat->chatPanel()->transcript()->findChild<QWidget *>(QStringLiteral("text"));
    ASSERT_NE(text, nullptr);
    const std::pair<QWidget *, QPoint> clicks[] = {
        { transcriptArea->viewport(), QPoint(20, transcriptArea->viewport()->height() - 10) },
        { panel->imageView(), panel->imageView()->rect().center() },
        { panel, QPoint(panel->width() / 2, panel->height() - 20) },
        { chat->sidebar(), QPoint(150, chat->sidebar()->height() - 20) },
        { text, QPoint(4, 4) },
    };
    for (const auto &[widget, point] : clicks) {
        SCOPED_TRACE(widget->metaObject()->className());
        input()->setFocus();
        QWidget *target = widget->childAt(point) ? widget->childAt(point) : widget;
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(widget, point));
        EXPECT_EQ(QApplication::focusWidget(), input());
    }
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("typed"));
    EXPECT_EQ(input()->toPlainText(), QStringLiteral("typed"));
}

TEST_F(ChatWindowViewTest, TheSidebarOpensClosesAndListsTheSavedConversationsByAge)
{
    ChatWindowView *chat = open();
    SymbolButton *openButton = chat->screenshotPanel()->sidebarButton();
    EXPECT_TRUE(openButton->isVisible());
    EXPECT_DOUBLE_EQ(chat->sidebarPresence(), 0);
    click(openButton);
    EXPECT_TRUE(ConversationManager::shared().isSidebarExpanded());
    EXPECT_FALSE(openButton->isVisible());
    EXPECT_DOUBLE_EQ(chat->sidebarPresence(), 1);
    EXPECT_EQ(chat->sidebar()->geometry().width(), 300);
    EXPECT_EQ(chat->screenshotPanel()->width(), 400);

    ConversationSidebarView *sidebar = chat->sidebar();
    const qsizetype count = ConversationManager::shared().conversations().size();
    EXPECT_EQ(sidebar->countLabel()->text(), QString::number(count) + QStringLiteral(" saved"));
    EXPECT_EQ(sidebar->showsPlaceholder(), count == 0);
    QStringList titles;
    for (ConversationGroupView *group : sidebar->groups()) {
        titles << group->title();
        EXPECT_EQ(
            group->findChild<PlainLabel *>(QStringLiteral("groupTitle"))->text(), group->title().toUpper());
        EXPECT_EQ(group->findChild<PlainLabel *>(QStringLiteral("groupCount"))->text(),
            QString::number(group->rows().size()));
    }
    const QList<ConversationGroup> groups = ConversationManager::shared().groupedConversations();
    QStringList expected;
    for (const ConversationGroup &group : groups)
        expected << group.title;
    EXPECT_EQ(titles, expected);

    click(sidebar->closeButton());
    EXPECT_FALSE(ConversationManager::shared().isSidebarExpanded());
    EXPECT_TRUE(openButton->isVisible());
    EXPECT_EQ(chat->sidebarPresence(), 0);
}

// The delete button deletes its conversation and opens nothing; a click
// elsewhere on a row opens it with its own screenshot, or with none when it
// was saved without one.
TEST_F(ChatWindowViewTest, ARowOpensItsConversationAndItsDeleteButtonOnlyDeletes)
{
    ConversationManager &store = ConversationManager::shared();
    const Conversation withImage
        = saveConversation(image(4), { answer(QStringLiteral("With image"), QStringLiteral("a")) });
    const Conversation withoutImage
        = saveConversation(std::nullopt, { answer(QStringLiteral("Without image"), QStringLiteral("b")) });
    ASSERT_FALSE(withoutImage.screenshotData().has_value());

    const QImage shown = image(9);
    open({}, shown);
    store.toggleSidebar();
    settle();
    ConversationRowView *row = rowOf(withImage.id());
    ASSERT_NE(row, nullptr);
    hover(row, true);
    ASSERT_NE(row->deleteButton(), nullptr);
    EXPECT_TRUE(row->deleteButton()->isVisible());
    click(row->deleteButton());
    settle();
    EXPECT_EQ(rowOf(withImage.id()), nullptr);
    EXPECT_FALSE(store.currentConversation().has_value());
    EXPECT_TRUE(ChatWindowManager::shared().messages().isEmpty());
    EXPECT_EQ(ChatWindowManager::shared().currentScreenshot(), shown);

    // A conversation saved without a screenshot shows none: the one shown
    // before is not its own, and nothing is asked or saved about it.
    row = rowOf(withoutImage.id());
    ASSERT_NE(row, nullptr);
    EXPECT_FALSE(row->showsScreenshotThumbnail());
    click(row);
    EXPECT_EQ(store.currentConversation()->id(), withoutImage.id());
    EXPECT_EQ(transcript(), QStringList({ "user:Without image", "ai:b" }));
    EXPECT_FALSE(ChatWindowManager::shared().currentScreenshot().has_value());
    EXPECT_FALSE(view()->screenshotPanel()->imageView()->image().has_value());
    send(QStringLiteral("What is in it?"));
    EXPECT_EQ(input()->toPlainText(), QStringLiteral("What is in it?"));
    EXPECT_TRUE(chatRequests().isEmpty());
    QTest::keyClick(input(), Qt::Key_Escape);
    EXPECT_EQ(stored(withoutImage.id()).messages().size(), 2);
    EXPECT_FALSE(stored(withoutImage.id()).screenshotData().has_value());
}

// Switching conversations in the sidebar keeps each one whole: what was
// asked in the one shown is saved into it before the next shows, and each
// is asked about with its own exchange as context and saved with its own
// screenshot.
TEST_F(ChatWindowViewTest, SwitchingConversationsInTheSidebarKeepsEachOneWhole)
{
    const QImage firstImage = image(2);
    const QImage secondImage = image(3);
    const Conversation first = saveConversation(
        firstImage, { answer(QStringLiteral("First question"), QStringLiteral("First answer")) });
    const Conversation second = saveConversation(
        secondImage, { answer(QStringLiteral("Second question"), QStringLiteral("Second answer")) });
    const qsizetype count = ConversationManager::shared().conversations().size();
    service.enqueue("POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("About the capture.")));
    service.enqueue("POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("More on the first.")));
    service.enqueue("POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("More on the second.")));

    // A capture's conversation in the chat, with an answer of its own.
    open();
    send(QStringLiteral("What is captured?"));
    ASSERT_TRUE(waitForAnswer());
    ConversationManager::shared().toggleSidebar();
    settle();

    click(rowOf(first.id()));
    EXPECT_EQ(ConversationManager::shared().conversations().size(), count + 1) << "the capture's was saved";
    send(QStringLiteral("And the first?"));
    ASSERT_TRUE(waitForAnswer());
    EXPECT_TRUE(sentPrompt(1).contains(QStringLiteral("Original question: First question\n")));
    EXPECT_TRUE(sentPrompt(1).contains(QStringLiteral("Previous AI response: First answer\n")));

    settle();
    click(rowOf(second.id()));
    EXPECT_EQ(transcript(), QStringList({ "user:Second question", "ai:Second answer" }));
    EXPECT_EQ(ChatWindowManager::shared().currentScreenshot()->convertToFormat(secondImage.format()), secondImage);
    QStringList firstLines;
    const Conversation firstNow = stored(first.id());
    for (const SavedMessage &message : firstNow.messages())
        firstLines << message.content();
    EXPECT_EQ(firstLines, QStringList({ "First question", "First answer", "And the first?", "More on the first." }));

    send(QStringLiteral("And the second?"));
    ASSERT_TRUE(waitForAnswer());
    EXPECT_TRUE(sentPrompt(2).contains(QStringLiteral("Previous AI response: Second answer\n")));
    EXPECT_FALSE(sentPrompt(2).contains(QStringLiteral("More on the first.")));
    QTest::keyClick(input(), Qt::Key_Escape);

    EXPECT_EQ(ConversationManager::shared().conversations().size(), count + 1);
    EXPECT_EQ(stored(second.id()).messages().size(), 4);
    EXPECT_EQ(stored(second.id()).screenshotData(), ImageData::pngData(secondImage));
    EXPECT_EQ(stored(first.id()).messages().size(), 4);
    EXPECT_EQ(stored(first.id()).screenshotData(), ImageData::pngData(firstImage));
}

TEST_F(ChatWindowViewTest, CopyLeavesThePngOnTheClipboard)
{
    const QImage picture = image(5);
    open({}, picture);
    QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
    click(view()->screenshotPanel()->copyButton());
    ASSERT_TRUE(QTest::qWaitFor(
        [] { return QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("image/png")); },
        5000));
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    EXPECT_FALSE(data->hasText());
    const QImage pasted = ImageData::imageFromPng(data->data(QStringLiteral("image/png")));
    EXPECT_EQ(pasted.convertToFormat(picture.format()), picture);
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(picture.format()), picture);
}

// Save proposes the date-stamped PNG name in the chat window's dialog and
// writes the file; a cancel writes nothing; a failed write keeps the file
// that was there and says so.
TEST_F(ChatWindowViewTest, SaveWritesThePngWhereTheUserSaysAndNeverDestroysAFile)
{
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("shot.png"));
    std::optional<QString> answerOfPanel = target;
    std::optional<SavePanel> asked;
    QWidget *dialogParent = nullptr;
    // The presenter refers to this test's locals: a failed assertion must
    // not leave it behind for the next test to call.
    SavePanelPresenter::setPresenter([&](QWidget *parent, const SavePanel &panel) {
        asked = panel;
        dialogParent = parent;
        return answerOfPanel;
    });
    const auto restorePresenter = qScopeGuard([] { SavePanelPresenter::setPresenter({}); });
    const DateEnvironment before = DateEnvironment::current();
    const auto restoreDate = qScopeGuard([before] { DateEnvironment::setCurrent(before); });
    DateEnvironment::setCurrent(DateEnvironment::fixed(
        QDateTime(QDate(2025, 3, 7), QTime(14, 5, 9), Qt::UTC), QLocale(QLocale::English), QTimeZone::utc()));
    const QImage picture = image(6);
    open({}, picture);

    click(view()->screenshotPanel()->saveButton());
    ASSERT_TRUE(asked.has_value());
    EXPECT_EQ(asked->title, QStringLiteral("Save Screenshot"));
    EXPECT_EQ(asked->proposedFileName, QStringLiteral("Screenshot_2025-03-07_14-05-09.png"));
    EXPECT_EQ(asked->allowedFileTypes, QStringList(QStringLiteral("png")));
    EXPECT_TRUE(asked->canCreateDirectories);
    EXPECT_EQ(dialogParent, view());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(target); }, 5000));
    EXPECT_EQ(QImage(target).convertToFormat(picture.format()), picture);

    // Cancelled: nothing written.
    answerOfPanel = std::nullopt;
    click(view()->screenshotPanel()->saveButton());
    QTest::qWait(100);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList(QStringLiteral("shot.png")));

    // A write that fails (here: the file size limit) leaves the old file.
    const QByteArray old = QByteArray(64, 'x');
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool written = ChatWindowManager::writeImageFile(ImageData::pngData(picture), target);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(written);
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);
    ASSERT_EQ(log.lines().filter(QStringLiteral("Error saving screenshot: ")).size(), 1);
    EXPECT_TRUE(log.lines().filter(QStringLiteral("Error saving screenshot: ")).first().size() > 25);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList(QStringLiteral("shot.png")));

    // Without a chat window the panel stands on its own.
    resetSharedState();
    ChatWindowManager::shared().presentSavePanel(SavePanel {}, [](const std::optional<QString> &) {});
    EXPECT_EQ(dialogParent, nullptr);
}

// A save that fails (here: the folder is a file) says so on the chat
// window, with the path and the reason, and holds up nothing else.
TEST_F(ChatWindowViewTest, ASaveThatFailsSaysSoOnTheChatWindow)
{
    QTemporaryDir folder;
    const QString notAFolder = folder.filePath(QStringLiteral("file"));
    {
        QFile file(notAFolder);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString target = notAFolder + QStringLiteral("/shot.png");
    SavePanelPresenter::setPresenter([&](QWidget *, const SavePanel &) { return target; });
    const auto restorePresenter = qScopeGuard([] { SavePanelPresenter::setPresenter({}); });
    open({}, image(8));
    click(view()->screenshotPanel()->saveButton());
    QMessageBox *box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            box = view()->findChild<QMessageBox *>();
            return box && box->isVisible();
        },
        5000));
    EXPECT_TRUE(box->text().contains(QStringLiteral("could not be saved")));
    EXPECT_TRUE(box->text().contains(target));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_FALSE(QFile::exists(target));
    box->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view()->findChild<QMessageBox *>(); }, 2000));
}

namespace {

// Runs the action once a visible top-level widget of that type shows, from
// the event loop of whichever dialog is running then.
template<typename Widget> void whenShown(const std::function<void(Widget *)> &action)
{
    auto *poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *shown = qobject_cast<Widget *>(widget); shown && shown->isVisible()) {
                poll->stop();
                poll->deleteLater();
                action(shown);
                return;
            }
        }
    });
    poll->start();
}

// Types the name into the dialog's name field, in the folder.
void typeName(QFileDialog *dialog, const QString &folder, const QString &name)
{
    dialog->setDirectory(folder);
    auto *field = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(field, nullptr);
    field->setText(name);
}

} // namespace

// The desktop's file dialog asks before a name typed without its type
// replaces the PNG of that name, and leaves the application's other windows
// (the hot key's selection among them) usable while it shows.
TEST_F(ChatWindowViewTest, TheFileDialogAsksBeforeReplacingAndBlocksOnlyTheChat)
{
    QTemporaryDir folder;
    const QByteArray old = QByteArray(64, 'x');
    {
        QFile file(folder.filePath(QStringLiteral("shot.png")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    QPushButton other(QStringLiteral("Another window"));
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    int otherClicks = 0;
    QObject::connect(&other, &QPushButton::clicked, [&otherClicks] { ++otherClicks; });
    open({}, image(7));

    QString question;
    whenShown<QFileDialog>([&](QFileDialog *dialog) {
        QTest::mouseClick(&other, Qt::LeftButton);
        whenShown<QMessageBox>([&](QMessageBox *box) {
            question = box->text();
            box->button(QMessageBox::No)->click();
        });
        typeName(dialog, folder.path(), QStringLiteral("shot"));
        static_cast<QDialog *>(dialog)->accept(); // asks first; "No" keeps the dialog open
        EXPECT_TRUE(dialog->isVisible());
        dialog->reject();
    });
    click(view()->screenshotPanel()->saveButton());
    // The dialog runs no loop of its own: the click returns at once.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !question.isEmpty() && !view()->findChild<QFileDialog *>(); }, 10000));
    EXPECT_EQ(otherClicks, 1);
    EXPECT_TRUE(question.contains(QStringLiteral("shot.png")));
    QTest::qWait(200);
    QFile file(folder.filePath(QStringLiteral("shot.png")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);

    // A new name gets its type and the picture.
    whenShown<QFileDialog>([&](QFileDialog *dialog) {
        typeName(dialog, folder.path(), QStringLiteral("fresh"));
        static_cast<QDialog *>(dialog)->accept();
    });
    click(view()->screenshotPanel()->saveButton());
    const QString fresh = folder.filePath(QStringLiteral("fresh.png"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(fresh); }, 5000));
    EXPECT_EQ(QImage(fresh).convertToFormat(image(7).format()), image(7));
}

// The chat window closing (a capture taken meanwhile) takes its dialog
// along; nothing is saved and nothing is left waiting.
TEST_F(ChatWindowViewTest, TheFileDialogGoesWithTheChatWindowUnanswered)
{
    open({}, image(7));
    bool answered = false;
    whenShown<QFileDialog>([](QFileDialog *) { ChatWindowManager::shared().closeWindow(); });
    ChatWindowManager::shared().presentSavePanel(
        SavePanel {}, [&answered](const std::optional<QString> &) { answered = true; });
    ASSERT_TRUE(QTest::qWaitFor(
        [] {
            const QList<QWidget *> windows = QApplication::topLevelWidgets();
            return std::none_of(windows.begin(), windows.end(),
                [](QWidget *window) { return qobject_cast<QFileDialog *>(window) && window->isVisible(); });
        },
        10000));
    QTest::qWait(300);
    EXPECT_FALSE(ChatWindowManager::shared().isOpen());
    EXPECT_FALSE(answered);
}

TEST_F(ChatWindowViewTest, OnANarrowScreenTheSidebarLiesOverThePanes)
{
    ChatWindowView *chat = open();
    ASSERT_FALSE(ConversationManager::shared().isSidebarExpanded());
    ConversationManager::shared().toggleSidebar();
    ASSERT_TRUE(QTest::qWaitFor([&] { return chat->sidebarPresence() == 1; }, 10000));
    // The window goes as narrow as the two panes, which fits a screen of
    // 800 with a window manager's frame around it.
    EXPECT_LE(chat->minimumWidth(), 780);
    EXPECT_EQ(chat->minimumWidth(), 400 + chat->chatPanel()->minimumSizeHint().width());

    struct Case
    {
        int windowWidth;
        int panelsLeft;
    };
    // Wide: the sidebar beside the panes. Narrow: it takes what room there
    // is and lies over the panes for the rest.
    const Case cases[] = { { 1200, 300 }, { 900, 900 - chat->minimumWidth() }, { chat->minimumWidth(), 0 } };
    for (const Case &c : cases) {
        chat->resize(c.windowWidth, 700);
        EXPECT_EQ(chat->screenshotPanel()->x(), c.panelsLeft) << c.windowWidth;
        EXPECT_EQ(chat->sidebar()->geometry(), QRect(0, 0, 300, 700)) << c.windowWidth;
        EXPECT_EQ(chat->chatPanel()->geometry().right(), c.windowWidth - 1) << c.windowWidth;
        EXPECT_GE(chat->chatPanel()->width(), chat->chatPanel()->minimumSizeHint().width()) << c.windowWidth;
        // The sidebar is drawn over the panes, not under them.
        QWidget *atSidebar = chat->childAt(150, 350);
        EXPECT_TRUE(atSidebar == chat->sidebar() || chat->sidebar()->isAncestorOf(atSidebar)) << c.windowWidth;
    }
    ConversationManager::shared().toggleSidebar();
    ASSERT_TRUE(QTest::qWaitFor([&] { return chat->sidebarPresence() == 0; }, 10000));
    EXPECT_FALSE(chat->sidebar()->isVisible());
    EXPECT_EQ(chat->screenshotPanel()->x(), 0);
}
