// The chat window as it shows on screen: what its last paint left in the
// window, read back pixel by pixel.

#include "ChatFixture.h"
#include "chat/ConversationGroupView.h"
#include "chat/ConversationRowView.h"
#include "chat/ConversationSidebarView.h"
#include "chat/TranscriptListView.h"
#include "chat/TranscriptMessageView.h"
#include "ui/markup/TextBlock.h"

#include <QClipboard>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include <atomic>

namespace {

const QDateTime when(QDate(2024, 3, 15), QTime(9, 0), Qt::UTC);

AIResponse answer(const QString &question, const QString &content)
{
    return AIResponse { content, when, std::nullopt, question };
}

// The window as it is on screen.
QImage shown(QWidget *window)
{
    return window->screen()->grabWindow(window->winId()).toImage();
}

// Whether the window, once it has painted, shows what the check looks for.
bool showsSoon(QWidget *window, const std::function<bool(const QImage &)> &check)
{
    return QTest::qWaitFor([&] { return check(shown(window)); }, 3000);
}

// The runs of pixel rows inside the rectangle that hold dark ink (text), as
// [top, bottom] pairs from the top.
QList<std::pair<int, int>> inkBands(const QImage &image, const QRect &rect)
{
    QList<std::pair<int, int>> bands;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        bool ink = false;
        for (int x = rect.left(); x <= rect.right() && !ink; ++x)
            ink = QColor(image.pixel(x, y)).lightness() < 110;
        if (!ink)
            continue;
        if (!bands.isEmpty() && bands.last().second == y - 1)
            bands.last().second = y;
        else
            bands.append({ y, y });
    }
    return bands;
}

bool isRed(const QColor &colour)
{
    return colour.red() > 200 && colour.green() < 120 && colour.blue() < 120;
}

// Counts Qt's warnings of painting while installed.
class PaintWarnings
{
public:
    PaintWarnings()
    {
        s_count = 0;
        m_previous = qInstallMessageHandler(&PaintWarnings::handle);
    }
    ~PaintWarnings() { qInstallMessageHandler(m_previous); }
    int count() const { return s_count; }

private:
    static void handle(QtMsgType type, const QMessageLogContext &, const QString &message)
    {
        if (type == QtWarningMsg && message.contains(QStringLiteral("Painter")))
            ++s_count;
    }

    static inline std::atomic<int> s_count = 0;
    QtMessageHandler m_previous;
};

// The height of a rounded fill as drawn: the run of pixels of the colour at
// `inside`, up and down its column.
int drawnHeightAt(const QImage &image, const QPoint &inside)
{
    const QColor fill = image.pixelColor(inside);
    int top = inside.y();
    int bottom = inside.y();
    while (top > 0 && image.pixelColor(inside.x(), top - 1) == fill)
        --top;
    while (bottom < image.height() - 1 && image.pixelColor(inside.x(), bottom + 1) == fill)
        ++bottom;
    return bottom - top + 1;
}

// Saves n conversations with screenshots, for a sidebar to list.
void saveConversations(int n)
{
    for (int i = 0; i < n; ++i) {
        AIManager::shared().setResponses(
            { answer(QStringLiteral("Saved question %1").arg(i), QStringLiteral("An answer")) });
        ChatWindowManager::shared().setCurrentScreenshot(ChatFixture::image(i));
        ConversationManager::shared().saveCurrentConversation();
        // Each one a conversation of its own, not the current one saved again.
        CurrentConversation::shared().end();
    }
    ChatFixture::resetSharedState();
}

QList<ConversationRowView *> sidebarRows()
{
    QList<ConversationRowView *> rows;
    for (ConversationGroupView *group : ChatFixture::view()->sidebar()->groups())
        rows << group->rows();
    return rows;
}

// Waits for the sidebar's rebuild after a change of the store.
void settle()
{
    QTest::qWait(20);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

using ChatWindowSightTest = ChatFixture;

// Each line of a message starts a line of its own on screen, a blank line
// included, for the answer's breaks and the user's Shift+Return alike; a
// selection across the lines copies them with their breaks.
TEST_F(ChatWindowSightTest, LineBreaksOfTheMessagesShowAsNewLines)
{
    open({ answer(QStringLiteral("Left half\nright half"),
               QStringLiteral("First line\nSecond line\n\nFourth line")),
        answer(QStringLiteral("Windows breaks"), QStringLiteral("One\r\nTwo")) });
    ChatWindowView *chat = view();
    TranscriptListView *transcript = chat->chatPanel()->transcript();
    ASSERT_EQ(transcript->rows().size(), 4);
    // Where a line's text is drawn, in the window.
    const auto textArea = [chat, transcript](int row) {
        QRect area;
        for (const TextBlock *block : transcript->rows().at(row)->findChildren<TextBlock *>())
            area |= QRect(block->mapTo(chat, QPoint()), block->size());
        return area;
    };
    const int lineHeight = QFontMetrics(transcript->rows().at(0)->textBlock()->font()).height();

    const struct
    {
        int row;
        int lines;
    } cases[] = { { 0, 2 }, { 1, 3 }, { 3, 2 } };
    for (const auto &lineCase : cases) {
        SCOPED_TRACE(lineCase.row);
        const QRect area = textArea(lineCase.row);
        QList<std::pair<int, int>> bands;
        showsSoon(chat, [&](const QImage &image) {
            bands = inkBands(image, area);
            return bands.size() == lineCase.lines;
        });
        ASSERT_EQ(bands.size(), lineCase.lines);
        for (qsizetype i = 1; i < bands.size(); ++i)
            EXPECT_GT(bands.at(i).first, bands.at(i - 1).second);
        if (lineCase.row == 1) { // the blank line stands between the second and the last
            EXPECT_GT(bands.at(2).first - bands.at(1).second, lineHeight);
        }
    }

    // Dragged from the start of the answer to its end: copied with its breaks.
    TextBlock *block = transcript->rows().at(1)->textBlock();
    QTest::mousePress(block, Qt::LeftButton, {}, QPoint(1, 2));
    QTest::mouseMove(block, QPoint(block->width() - 2, block->height() - 2));
    QTest::mouseRelease(block, Qt::LeftButton, {}, QPoint(block->width() - 2, block->height() - 2));
    QTest::keyClick(block, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("First line\nSecond line\n\nFourth line"));
}

// The pointer over a row shows its red trash button where a click deletes,
// and nothing complains of painting.
TEST_F(ChatWindowSightTest, TheTrashButtonShowsOnTheRowUnderThePointer)
{
    saveConversations(3);
    open();
    ConversationManager::shared().toggleSidebar();
    settle();
    ChatWindowView *chat = view();
    ASSERT_GE(sidebarRows().size(), 3);
    ConversationRowView *row = sidebarRows().at(1);

    // As a user sees it: the button fades in over a few frames.
    AnimatedValue::setFinishAtOnce(false);
    PaintWarnings warnings;
    QTest::mouseMove(row, QPoint(row->width() / 2, row->height() / 2));
    ASSERT_TRUE(QTest::qWaitFor([row] { return row->isHovering(); }, 3000));
    ASSERT_NE(row->deleteButton(), nullptr);
    const QPoint button = row->deleteButton()->mapTo(chat, row->deleteButton()->rect().center());
    EXPECT_TRUE(showsSoon(
        chat, [&](const QImage &image) { return isRed(image.pixelColor(button + QPoint(-8, 0))); }));
    EXPECT_EQ(warnings.count(), 0);
}

// Opened with the sidebar already out, the sidebar reaches the window's
// bottom: its empty list looks the same all the way down.
TEST_F(ChatWindowSightTest, TheSidebarOpenedExpandedIsAsTallAsTheWindow)
{
    ConversationManager &store = ConversationManager::shared();
    for (const Conversation &conversation : QList<Conversation>(store.conversations()))
        store.deleteConversation(conversation);
    store.toggleSidebar();
    open();
    ChatWindowView *chat = view();
    EXPECT_EQ(chat->sidebar()->height(), chat->height());
    QWidget *list = chat->sidebar()->scrollArea()->viewport();
    const QPoint high = list->mapTo(chat, QPoint(40, list->height() / 2));
    const QPoint low(high.x(), chat->height() - 4);
    ASSERT_GT(low.y() - high.y(), 60);
    EXPECT_TRUE(showsSoon(
        chat, [&](const QImage &image) { return image.pixelColor(high) == image.pixelColor(low); }));
}

// A row deleted under the pointer leaves the list where it was: the row that
// followed it takes its place.
TEST_F(ChatWindowSightTest, DeletingARowKeepsTheListsPlace)
{
    saveConversations(30);
    open();
    ConversationManager::shared().toggleSidebar();
    settle();
    QScrollBar *bar = view()->sidebar()->scrollArea()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 400);
    bar->setValue(bar->maximum() / 2);
    const int place = bar->value();
    QWidget *viewport = view()->sidebar()->scrollArea()->viewport();
    const QPoint pointer(viewport->width() / 2, viewport->height() / 2);

    const auto rowAtPointer = [&]() -> ConversationRowView * {
        for (ConversationRowView *row : sidebarRows())
            if (QRect(row->mapTo(viewport, QPoint()), row->size()).contains(pointer))
                return row;
        return nullptr;
    };
    ConversationRowView *row = rowAtPointer();
    ASSERT_NE(row, nullptr);
    const QList<ConversationRowView *> before = sidebarRows();
    const QUuid next = before.at(before.indexOf(row) + 1)->conversation().id();
    QTest::mouseMove(row, row->mapFrom(viewport, pointer));
    ASSERT_TRUE(QTest::qWaitFor([row] { return row->isHovering(); }, 3000));
    QTest::mouseClick(row->deleteButton(), Qt::LeftButton, {}, row->deleteButton()->rect().center());
    settle();

    EXPECT_EQ(bar->value(), place);
    ConversationRowView *now = rowAtPointer();
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(now->conversation().id(), next);
}

// A pasted text many lines long grows the input, and its pill on screen, to
// four lines; once it is sent, both are one line high again, also when one
// paragraph follows two (the document then announces no change of its size).
TEST_F(ChatWindowSightTest, TheInputIsOneLineHighAgainAfterALongPasteIsSent)
{
    service.setDefault("POST", "/v1/chat/completions", FakeReply::chatCompletion(QStringLiteral("ok")));
    open();
    ChatWindowView *chat = view();
    QWidget *pill = input()->parentWidget();
    // Inside the pill's padding, left of the text, half-way down.
    const auto pillHeight = [&](const QImage &image) {
        return drawnHeightAt(image, pill->mapTo(chat, QPoint(8, pill->height() / 2)));
    };
    const int oneLine = input()->height();
    int drawnOneLine = 0;
    ASSERT_TRUE(showsSoon(chat, [&](const QImage &image) {
        drawnOneLine = pillHeight(image);
        return drawnOneLine >= oneLine;
    }));
    QString paragraph;
    while (paragraph.size() < 900)
        paragraph += QStringLiteral("A long pasted paragraph that wraps over many lines. ");
    const QString twoParagraphs = paragraph + u'\n' + paragraph;
    for (const QString &paste : { paragraph, twoParagraphs, paragraph, twoParagraphs, paragraph }) {
        SCOPED_TRACE(paste.size());
        QGuiApplication::clipboard()->setText(paste);
        input()->setFocus();
        QTest::keyClick(input(), Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(input()->visibleLines(), 4);
        EXPECT_TRUE(showsSoon(
            chat, [&](const QImage &image) { return pillHeight(image) > drawnOneLine + 2 * oneLine; }));
        QTest::keyClick(input(), Qt::Key_Return);
        ASSERT_TRUE(waitForAnswer());
        QCoreApplication::processEvents();
        EXPECT_TRUE(input()->toPlainText().isEmpty());
        EXPECT_EQ(input()->visibleLines(), 1);
        int drawn = 0;
        EXPECT_TRUE(showsSoon(chat, [&](const QImage &image) {
            drawn = pillHeight(image);
            return drawn == drawnOneLine;
        })) << drawn << " drawn, " << drawnOneLine << " at first";
    }
}
