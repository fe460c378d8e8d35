#include "ui/markup/MarkdownText.h"

#include "MarkdownRendering.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/markup/FormattedText.h"
#include "ui/markup/MarkdownParser.h"
#include "ui/markup/MarkdownPiece.h"
#include "ui/markup/MarkdownRow.h"
#include "ui/markup/TextBlock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollArea>
#include <QScrollBar>
#include <QWidgetItem>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// A container of fixed width that lays the view out as a window would.
class Container
{
public:
    Container(QWidget *content, int width)
    {
        m_window.setAttribute(Qt::WA_DontShowOnScreen);
        auto *layout = new QVBoxLayout(&m_window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(content);
        layout->addStretch(1);
        m_window.resize(width, 4000);
        m_window.show();
        layout->activate();
    }

private:
    QWidget m_window;
};

// The rows of a view, in position order.
QList<QWidget *> rowsOf(const MarkdownText &view)
{
    return view.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
}

QList<TextBlock *> blocksOf(QWidget *row)
{
    if (auto *block = qobject_cast<TextBlock *>(row))
        return { block };
    return row->findChildren<TextBlock *>(Qt::FindDirectChildrenOnly);
}

// Where a block sits within the view.
QRect placeOf(const QWidget *widget, const QWidget *view)
{
    return QRect(widget->mapTo(view, QPoint(0, 0)), widget->size());
}

struct BlockLook
{
    QString text;
    int pixelSize;
    QFont::Weight weight;
    QColor colour;
    QMargins padding;
};

void expectLook(const TextBlock *block, const BlockLook &look, const char *what)
{
    EXPECT_EQ(block->plainText(), look.text) << what;
    EXPECT_EQ(block->font().pixelSize(), look.pixelSize) << what;
    EXPECT_EQ(block->font().weight(), look.weight) << what;
    EXPECT_EQ(block->palette().color(QPalette::WindowText), look.colour) << what;
    EXPECT_EQ(block->contentsMargins(), look.padding) << what;
}

void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &point, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, point, widget->mapToGlobal(point), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

TEST(MarkdownTextTest, EachBlockTypeHasItsRow)
{
    MarkdownText view("# Title **x**\n## Sub **y**\n- **item** one\n3. three\npara **graph**");
    const QList<QWidget *> rows = rowsOf(view);
    ASSERT_EQ(rows.size(), 5);
    const QColor primary = Palette::primaryLabel();
    const QColor secondary = Palette::secondaryLabel();

    // Headings verbatim: the markers show.
    ASSERT_EQ(blocksOf(rows[0]).size(), 1);
    expectLook(
        blocksOf(rows[0])[0], { "Title **x**", 20, QFont::Bold, primary, QMargins(0, 12, 0, 4) }, "heading");
    EXPECT_TRUE(blocksOf(rows[0])[0]->formats().isEmpty());
    ASSERT_EQ(blocksOf(rows[1]).size(), 1);
    expectLook(blocksOf(rows[1])[0], { "Sub **y**", 18, QFont::DemiBold, primary, QMargins(0, 8, 0, 2) },
        "subheading");

    // Items: a marker and the text with its bold run, markers removed.
    for (const auto &[row, marker] : { std::pair { rows[2], "•" }, std::pair { rows[3], "3." } }) {
        const QList<TextBlock *> blocks = blocksOf(row);
        ASSERT_EQ(blocks.size(), 2);
        expectLook(blocks[0], { marker, 16, QFont::Medium, secondary, QMargins(0, 2, 0, 0) }, marker);
        EXPECT_TRUE(qobject_cast<FormattedText *>(blocks[1])) << marker;
    }
    expectLook(blocksOf(rows[2])[1], { "item one", 16, QFont::Normal, primary, QMargins() }, "bullet text");
    expectLook(blocksOf(rows[3])[1], { "three", 16, QFont::Normal, primary, QMargins() }, "item text");

    ASSERT_EQ(blocksOf(rows[4]).size(), 1);
    expectLook(blocksOf(rows[4])[0], { "para graph", 16, QFont::Normal, primary, QMargins(0, 2, 0, 2) },
        "paragraph");
    const QList<QTextLayout::FormatRange> bold = blocksOf(rows[4])[0]->formats();
    ASSERT_EQ(bold.size(), 1);
    EXPECT_EQ(bold[0].start, 5);
    EXPECT_EQ(bold[0].length, 5);
    EXPECT_EQ(bold[0].format.fontWeight(), QFont::Bold);
}

TEST(MarkdownTextTest, NothingToShowGivesNoRows)
{
    for (const QString &content : { QString(), QStringLiteral(" \n\t\n```\n") }) {
        MarkdownText view(content);
        EXPECT_TRUE(rowsOf(view).isEmpty());
        EXPECT_EQ(view.sizeHint().height(), 0);
    }
}

TEST(MarkdownTextTest, RowsStackFullWidthEightPixelsApart)
{
    auto *view = new MarkdownText("# Title\nText\n- item\n## Sub\n1. one");
    Container container(view, 400);
    const QList<QWidget *> rows = rowsOf(*view);
    ASSERT_EQ(rows.size(), 5);
    for (int i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i]->x(), 0) << i;
        EXPECT_EQ(rows[i]->width(), 400) << i;
        if (i > 0) {
            EXPECT_EQ(rows[i]->y(), rows[i - 1]->geometry().bottom() + 1 + 8) << i;
        }
    }
    EXPECT_EQ(view->height(), view->heightForWidth(400));
}

TEST(MarkdownTextTest, ShortMarkersShareAColumnAndLongOnesWidenTheirRow)
{
    auto *view = new MarkdownText("1. one\n2. two\n123456789. long\n- bullet");
    Container container(view, 400);
    QList<QRect> texts;
    for (QWidget *row : rowsOf(*view))
        texts.append(placeOf(blocksOf(row)[1], view));
    ASSERT_EQ(texts.size(), 4);
    // 8 leading padding, a 20-pixel marker column, 8 between.
    EXPECT_EQ(texts[0].left(), 36);
    EXPECT_EQ(texts[1].left(), 36);
    EXPECT_GT(texts[2].left(), 36);
    // A bullet's marker has no minimum width.
    EXPECT_LT(texts[3].left(), 36);
    for (const QRect &text : texts)
        EXPECT_EQ(text.right(), 399);
}

TEST(MarkdownTextTest, LongTextWrapsToTheOfferedWidthAndGrows)
{
    const QString longWord(120, u'w');
    const QString content = "- " + QString("many words in a long item ").repeated(12) + "\n\n"
        + QString("a long paragraph that must wrap ").repeated(10) + longWord;
    auto *narrowView = new MarkdownText(content);
    auto *wideView = new MarkdownText(content);
    Container narrow(narrowView, 260);
    Container wide(wideView, 900);

    EXPECT_GT(narrowView->height(), wideView->height());
    EXPECT_LE(narrowView->minimumSizeHint().width(), 260);
    EXPECT_EQ(narrowView->height(), narrowView->heightForWidth(260));
    for (TextBlock *block : narrowView->findChildren<TextBlock *>()) {
        const QRect place = placeOf(block, narrowView);
        EXPECT_LE(place.right(), 259) << block->plainText().toStdString();
        // Every line fits in the block's height: nothing is cut off.
        EXPECT_GE(block->height(), block->heightForWidth(block->width())) << block->plainText().toStdString();
    }
    // Even the word wider than the view wraps inside it.
    const QFontMetrics metrics(Fonts::system(16));
    EXPECT_GT(metrics.horizontalAdvance(longWord), 260);
}

TEST(MarkdownTextTest, LineSpacingOpensTheGapsBetweenTheLinesOfEachBlock)
{
    const QString paragraph = QString("a paragraph that wraps ").repeated(8);
    auto *tight = new MarkdownText(paragraph + "\n\none line");
    auto *spaced = new MarkdownText(paragraph + "\n\none line");
    spaced->setLineSpacing(6);
    Container tightContainer(tight, 300);
    Container spacedContainer(spaced, 300);

    const QList<TextBlock *> tightBlocks = tight->findChildren<TextBlock *>();
    const QList<TextBlock *> spacedBlocks = spaced->findChildren<TextBlock *>();
    ASSERT_EQ(spacedBlocks.size(), 2);
    const int lines = qRound(tightBlocks[0]->height() / QFontMetricsF(tightBlocks[0]->font()).lineSpacing());
    ASSERT_GT(lines, 1);
    EXPECT_EQ(spacedBlocks[0]->height(), tightBlocks[0]->height() + 6 * (lines - 1));
    // A single line gains nothing, and new rows keep the spacing.
    EXPECT_EQ(spacedBlocks[1]->height(), tightBlocks[1]->height());
    spaced->setContent(paragraph);
    EXPECT_EQ(spaced->findChildren<TextBlock *>().first()->lineSpacing(), 6);
}

TEST(MarkdownTextTest, TheSameContentGivesTheSameRows)
{
    const QString content = "# Head\nSome **bold** text\n- a\n- b\n7. seven\n12.  eight";
    const QImage first = renderMarkdown(content, 360);
    EXPECT_EQ(renderMarkdown(content, 360), first);
    EXPECT_FALSE(first.isNull());
    EXPECT_EQ(first.deviceIndependentSize().width(), 360);

    // Setting the content again rebuilds rows that look the same.
    auto *view = new MarkdownText(content);
    Container container(view, 360);
    QList<QRect> before;
    for (QWidget *row : rowsOf(*view))
        before.append(row->geometry());
    view->setContent(content);
    view->layout()->activate();
    QList<QRect> after;
    for (QWidget *row : rowsOf(*view))
        after.append(row->geometry());
    EXPECT_EQ(after, before);
}

TEST(MarkdownTextTest, ServiceTextShowsLiterally)
{
    const QString hostile
        = "<b>not bold</b> &amp; <img src=\"file:///etc/hostname\"> <a href=\"http://127.0.0.1:9/\">x</a>";
    MarkdownText view("# " + hostile + "\n- " + hostile + "\n" + hostile);
    const QList<TextBlock *> blocks = view.findChildren<TextBlock *>();
    QStringList shown;
    for (TextBlock *block : blocks) {
        if (block->plainText() != "•")
            shown.append(block->plainText());
        // Laid out as the characters themselves: one line as wide as the text.
        EXPECT_NEAR(
            block->sizeHint().width() - block->contentsMargins().left() - block->contentsMargins().right(),
            QFontMetrics(block->font()).horizontalAdvance(block->plainText()), 1)
            << block->plainText().toStdString();
    }
    EXPECT_EQ(shown, QStringList({ hostile, hostile, hostile }));
}

TEST(MarkdownTextTest, AContainerCanMakeTheTextSelectable)
{
    auto *view = new MarkdownText("# Title\nsome <b>plain</b> words");
    Container container(view, 400);
    for (TextBlock *block : view->findChildren<TextBlock *>())
        EXPECT_FALSE(block->isTextSelectable());

    view->setTextSelectable(true);
    const QList<TextBlock *> blocks = view->findChildren<TextBlock *>();
    for (TextBlock *block : blocks)
        EXPECT_TRUE(block->isTextSelectable());
    // Rows built later follow the setting.
    view->setContent("- again");
    for (TextBlock *block : view->findChildren<TextBlock *>())
        EXPECT_TRUE(block->isTextSelectable());
    view->setContent("# Title\nsome <b>plain</b> words");
    view->layout()->activate();

    TextBlock *paragraph = view->findChildren<TextBlock *>().last();
    ASSERT_EQ(paragraph->plainText(), "some <b>plain</b> words");
    const QFontMetrics metrics(paragraph->font());
    const int y = paragraph->contentsRect().center().y();
    const QPoint from(metrics.horizontalAdvance("some "), y);
    const QPoint to(metrics.horizontalAdvance("some <b>plain</b>"), y);
    sendMouse(paragraph, QEvent::MouseButtonPress, from, Qt::LeftButton);
    sendMouse(paragraph, QEvent::MouseMove, to, Qt::LeftButton);
    sendMouse(paragraph, QEvent::MouseButtonRelease, to, Qt::NoButton);
    EXPECT_EQ(paragraph->selectedText(), "<b>plain</b>");

    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(paragraph, &copy);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "<b>plain</b>");

    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(metrics.horizontalAdvance("so"), y),
        paragraph->mapToGlobal(QPointF(metrics.horizontalAdvance("so"), y)), Qt::LeftButton, Qt::LeftButton,
        Qt::NoModifier);
    QApplication::sendEvent(paragraph, &doubleClick);
    EXPECT_EQ(paragraph->selectedText(), "some");

    QFocusEvent focusOut(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(paragraph, &focusOut);
    EXPECT_TRUE(paragraph->selectedText().isEmpty());

    view->setTextSelectable(false);
    sendMouse(paragraph, QEvent::MouseButtonPress, from, Qt::LeftButton);
    sendMouse(paragraph, QEvent::MouseMove, to, Qt::LeftButton);
    EXPECT_TRUE(paragraph->selectedText().isEmpty());
}

TEST(MarkdownTextTest, ACodeBlockSitsInAGreyBoxAsWideAsItsText)
{
    QWidget *row = MarkdownRow::create(MarkdownElement(MarkdownElementType::code, "let **x** = 1"));
    Container container(row, 400);
    const QList<TextBlock *> blocks = blocksOf(row);
    ASSERT_EQ(blocks.size(), 1);
    TextBlock *code = blocks[0];
    EXPECT_EQ(code->plainText(), "let **x** = 1");
    EXPECT_TRUE(QFontInfo(code->font()).fixedPitch());
    EXPECT_EQ(code->font().pixelSize(), 14);
    EXPECT_EQ(code->x(), 0);
    EXPECT_NEAR(code->width(), QFontMetrics(code->font()).horizontalAdvance(code->plainText()) + 24, 1);

    // The box's translucent grey fill ends where the box does.
    QImage image(row->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    row->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const QColor inside = image.pixelColor(code->width() / 2, 4);
    EXPECT_NEAR(inside.alpha(), 26, 2);
    EXPECT_NEAR(inside.red(), Palette::gray().red(), 12);
    EXPECT_EQ(image.pixelColor(code->width() + 4, 4).alpha(), 0);
}

TEST(MarkdownTextTest, RowsFollowADarkPalette)
{
    auto *view = new MarkdownText("# Title\n- item");
    Container container(view, 300);
    const QPalette original = QGuiApplication::palette();
    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    QApplication::setPalette(dark);
    EXPECT_TRUE(QTest::qWaitFor([view] {
        return view->findChildren<TextBlock *>().value(0)->palette().color(QPalette::WindowText).lightness()
            > 192;
    }));

    const QList<TextBlock *> blocks = view->findChildren<TextBlock *>();
    ASSERT_EQ(blocks.size(), 3);
    EXPECT_GT(blocks[0]->palette().color(QPalette::WindowText).lightness(), 192);
    EXPECT_EQ(blocks[1]->palette().color(QPalette::WindowText), Palette::secondaryLabel());
    EXPECT_GT(blocks[2]->palette().color(QPalette::WindowText).lightness(), 192);
    QApplication::setPalette(original);
}

TEST(MarkdownTextTest, EachBlockReadsInTheDirectionOfItsOwnText)
{
    // Where a block's ink lies, from its left-most to its right-most column.
    const auto inkOf = [](const QString &content) {
        auto *view = new MarkdownText(content);
        Container container(view, 400);
        QImage image(view->size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        view->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        int left = image.width();
        int right = -1;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y).lightness() < 160) {
                    left = qMin(left, x);
                    right = qMax(right, x);
                }
            }
        }
        return std::pair { left, right };
    };
    // Hebrew stands at the right edge, its full stop at its left end.
    const auto [hebrewLeft, hebrewRight] = inkOf(QStringLiteral("שלום עולם"));
    const auto [stopLeft, stopRight] = inkOf(QStringLiteral("שלום עולם."));
    EXPECT_GT(hebrewLeft, 200);
    EXPECT_GE(hebrewRight, 390);
    EXPECT_LT(stopLeft, hebrewLeft);
    EXPECT_EQ(stopRight, hebrewRight);
    // Arabic too, and a Latin block beside them keeps to the left.
    EXPECT_GT(inkOf(QStringLiteral("مرحبا بالعالم!")).first, 200);
    EXPECT_LT(inkOf(QStringLiteral("Hello, world!")).first, 10);

    // A right-to-left item stands mirrored: its marker on the right.
    auto *view = new MarkdownText(QStringLiteral("- פריט ראשון\n- first item"));
    Container container(view, 400);
    const QList<QWidget *> rows = rowsOf(*view);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_GT(blocksOf(rows[0])[0]->x(), blocksOf(rows[0])[1]->x());
    EXPECT_LT(blocksOf(rows[1])[0]->x(), blocksOf(rows[1])[1]->x());
}

TEST(MarkdownTextTest, RowsAreMeasuredWithoutBeingMadeToTheHeightTheyTake)
{
    const QString content = QStringLiteral(
        "# A heading that wraps when the width is narrow enough\n"
        "## Sub **heading**\n"
        "- a bullet with **bold** words that goes on long enough to wrap twice at the narrow width\n"
        "123456789. a long marker\n"
        "7. seven\n"
        "- פריט ראשון שלום עולם\n"
        "⚠️ a paragraph that starts with a mark and **wraps** over several lines when narrow\n");
    // Each block whole, and cut into pieces of a hundred characters.
    QList<MarkdownPiece> pieces = piecesOf(parseMarkdown(content));
    ASSERT_EQ(pieces.size(), 7);
    pieces += piecesOf(parseMarkdown(content), 40);
    ASSERT_GT(pieces.size(), 16);
    for (const qreal spacing : { 0.0, 6.0 }) {
        for (const MarkdownPiece &piece : pieces) {
            const MarkdownElement &element = piece.element;
            QWidget view;
            QWidget *row = MarkdownRow::create(piece, &view);
            for (TextBlock *block : row->findChildren<TextBlock *>())
                block->setLineSpacing(spacing);
            if (auto *block = qobject_cast<TextBlock *>(row))
                block->setLineSpacing(spacing);
            QWidgetItem item(row);
            for (const int width : { 120, 260, 400 }) {
                EXPECT_EQ(MarkdownRow::heightForWidth(piece, width, spacing), item.heightForWidth(width))
                    << element.text.toStdString() << " at " << width << ", spacing " << spacing;
            }
        }
    }
}

TEST(MarkdownTextTest, ABlockAskedForItsHeightAtTwoWidthsInTurnLaysItselfOutOnce)
{
    // Layouts ask at the offered width and at the natural width in turn.
    FormattedText block(QStringLiteral("many **words** in a long paragraph ").repeated(6000));
    const int natural = block.sizeHint().width();
    const int narrowHeight = block.heightForWidth(400);
    const int naturalHeight = block.heightForWidth(natural);
    QElapsedTimer elapsed;
    elapsed.start();
    for (int turn = 0; turn < 50; ++turn) {
        EXPECT_EQ(block.heightForWidth(400), narrowHeight);
        EXPECT_EQ(block.heightForWidth(natural), naturalHeight);
    }
    // One layout of this block takes tens of milliseconds.
    EXPECT_LT(elapsed.elapsed(), 300);
}

TEST(MarkdownTextTest, AVeryLongTextShowsOnlyTheRowsInViewAndScrollsThroughAll)
{
    QString content;
    for (int part = 0; content.size() < 4'000'000; ++part)
        content += QStringLiteral("## Part %1\nA paragraph with **bold** words that wraps at the width of "
                                  "the view, part %1.\n\n- an item\n- another item\n\n")
                       .arg(part);
    QScrollArea area;
    area.setAttribute(Qt::WA_DontShowOnScreen);
    area.setWidgetResizable(true);
    area.resize(420, 300);
    auto *view = new MarkdownText;
    area.setWidget(view);
    area.show();

    QElapsedTimer elapsed;
    elapsed.start();
    view->setContent(content);
    EXPECT_LT(elapsed.elapsed(), 100) << "parsed away from the GUI thread";
    ASSERT_TRUE(QTest::qWaitFor([view] { return view->isParsed(); }, 30000));
    QCoreApplication::processEvents();
    EXPECT_GT(view->height(), 1'000'000);
    const auto rowsInView = [&] {
        int shown = 0;
        for (QWidget *row : rowsOf(*view)) {
            const QRect place(row->mapTo(area.viewport(), QPoint()), row->size());
            shown += row->isVisible() && place.intersects(area.viewport()->rect());
        }
        return shown;
    };
    EXPECT_LT(rowsOf(*view).size(), 200);
    EXPECT_GT(rowsInView(), 3);

    // Anywhere the bar is taken, rows are there to see.
    for (const double at : { 0.5, 0.999, 0.25 }) {
        area.verticalScrollBar()->setValue(int(area.verticalScrollBar()->maximum() * at));
        QCoreApplication::processEvents();
        EXPECT_GT(rowsInView(), 3) << at;
        EXPECT_LT(rowsOf(*view).size(), 200) << at;
    }
    // The rows out of view are measured between events: the total settles.
    const int guessed = view->height();
    EXPECT_TRUE(QTest::qWaitFor([&] {
        const int before = view->height();
        QTest::qWait(300);
        return view->height() == before && before != guessed;
    }, 60000));
}

TEST(MarkdownTextTest, AHugeParagraphShowsInPiecesThatReadAsOne)
{
    // Lines without a blank between them join into one paragraph, as a text
    // extracted from a dense screen does: here of 40 000 characters.
    const QString content = QStringLiteral("a line of extracted **text** from the screen\n").repeated(900);
    QScrollArea area;
    area.setAttribute(Qt::WA_DontShowOnScreen);
    area.setWidgetResizable(true);
    area.resize(420, 300);
    auto *view = new MarkdownText;
    area.setWidget(view);
    area.show();

    view->setContent(content);
    QCoreApplication::processEvents();
    const QList<QWidget *> rows = rowsOf(*view);
    ASSERT_EQ(rows.size(), 5);
    // The pieces of the one paragraph follow each other with no gap.
    for (qsizetype i = 1; i < rows.size(); ++i)
        EXPECT_EQ(rows[i]->y(), rows[i - 1]->geometry().bottom() + 1) << i;
    EXPECT_EQ(rows.first()->contentsMargins(), QMargins(0, 2, 0, 0));
}

// An answer may leave open a character that reorders text (here an override,
// U+202E): it acts no further than its own line. The line after it reads as
// it would had the answer closed the override itself (U+202C).
TEST(MarkdownTextTest, AReorderingCharacterActsNoFurtherThanItsLine)
{
    const QString open = QStringLiteral("Before \u202Eflipped\nAfter stays in order");
    const QString closed = QStringLiteral("Before \u202Eflipped\u202C\nAfter stays in order");
    EXPECT_EQ(renderMarkdown(open, 420), renderMarkdown(closed, 420));
    // Also as a line of its own in a block, as the chat's transcript shows text.
    const auto drawn = [](const QString &text) {
        TextBlock block(text);
        block.resize(420, block.heightForWidth(420));
        return block.grab().toImage();
    };
    EXPECT_EQ(drawn(open), drawn(closed));
    // The override still acts within its line.
    EXPECT_NE(renderMarkdown(QStringLiteral("Before \u202Eflipped"), 420),
        renderMarkdown(QStringLiteral("Before flipped"), 420));
}
