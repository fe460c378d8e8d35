#include "ui/markup/VerbatimText.h"

#include "ui/Fonts.h"
#include "ui/markup/TextBlock.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

// A text far longer than one block shows its first blocks at once and makes
// the others as they are scrolled to; those out of view are measured between
// events, in the view's font and line spacing with their line breaks, to the
// very height that the blocks take once made.
TEST(VerbatimTextTest, BlocksOutOfViewAreMeasuredAsTheyWillShow)
{
    QString text;
    for (int line = 0; text.size() < 700'000; ++line)
        text += line % 7 == 6 ? QStringLiteral("\n")
                              : QStringLiteral("Line %1 of a long text, long enough to wrap once or twice at "
                                               "the width of the view that shows it.\n")
                                    .arg(line);
    QScrollArea area;
    area.setAttribute(Qt::WA_DontShowOnScreen);
    area.setWidgetResizable(true);
    area.resize(420, 300);
    auto *view = new VerbatimText;
    view->setFont(Fonts::system(15));
    view->setLineSpacing(3);
    area.setWidget(view);
    area.show();
    view->setText(text);
    QCoreApplication::processEvents();

    const qsizetype pieces = view->pieces().size();
    ASSERT_GT(pieces, 80);
    EXPECT_LT(view->blocks().size(), pieces / 2);
    for (const MarkdownPiece &piece : view->pieces())
        EXPECT_TRUE(piece.element.text.endsWith(u'\n')) << "cut at line ends";

    const int width = view->width();
    int expected = 0;
    for (const MarkdownPiece &piece : view->pieces()) {
        TextBlock block(piece.element.text);
        block.setFont(view->font());
        block.setLineSpacing(3);
        expected += block.heightForWidth(width);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->height() == expected; }, 60000))
        << view->height() << " for " << expected;

    area.verticalScrollBar()->setValue(area.verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    const QList<TextBlock *> blocks = view->blocks();
    ASSERT_FALSE(blocks.isEmpty());
    EXPECT_EQ(blocks.last()->plainText(), view->pieces().last().element.text);
    EXPECT_EQ(blocks.last()->mapTo(view, QPoint()).y() + blocks.last()->height(), view->height());
}
