#include "ChatSamples.h"
#include "chat/ChatTexts.h"
#include "chat/ConversationRowView.h"
#include "chat/ConversationThumbnails.h"
#include "chat/EmptyStateView.h"
#include "chat/HoverActionButton.h"
#include "chat/MessageTime.h"
#include "chat/ScreenshotImageView.h"
#include "chat/SymbolButton.h"
#include "chat/TranscriptMessageView.h"
#include "chat/TranscriptTypingView.h"
#include "platform/ImageData.h"
#include "ui/AnimatedValue.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"
#include "ui/PulsingDots.h"
#include "ui/Surface.h"
#include "ui/markup/TextBlock.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QFontMetricsF>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

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

struct FinishAtOnce
{
    FinishAtOnce() { AnimatedValue::setFinishAtOnce(true); }
    ~FinishAtOnce() { AnimatedValue::setFinishAtOnce(false); }
};

} // namespace

TEST(ChatTextsTest, TrimsSpacesAndTabsButNotLineBreaks)
{
    const QList<std::pair<QString, QString>> cases {
        { QStringLiteral("  hello  "), QStringLiteral("hello") },
        { QStringLiteral("\t\tword\t"), QStringLiteral("word") },
        { QStringLiteral("\u00A0\u3000wide\u2009"), QStringLiteral("wide") },
        { QStringLiteral("\nline\n"), QStringLiteral("\nline\n") },
        { QStringLiteral("  a b  "), QStringLiteral("a b") },
        { QStringLiteral(" \t "), QString() },
    };
    for (const auto &[input, trimmed] : cases) {
        EXPECT_EQ(ChatTexts::trimmedInput(input), trimmed) << input.toStdString();
        EXPECT_EQ(ChatTexts::isBlankInput(input), trimmed.isEmpty()) << input.toStdString();
    }
    EXPECT_FALSE(ChatTexts::isBlankInput(QStringLiteral("\n\n")));
}

TEST(ChatTextsTest, CountsAndStatus)
{
    EXPECT_EQ(ChatTexts::chatStatusText(true, 3), QStringLiteral("AI is thinking..."));
    EXPECT_EQ(ChatTexts::chatStatusText(false, 0), QStringLiteral("Start a conversation"));
    EXPECT_EQ(ChatTexts::chatStatusText(false, 1), QStringLiteral("1 messages"));
    EXPECT_EQ(ChatTexts::savedCountText(1), QStringLiteral("1 saved"));
    EXPECT_EQ(ChatTexts::savedCountText(0), QStringLiteral("0 saved"));
    const QList<std::pair<int, QString>> exchanges { { 0, "0 exchanges" }, { 1, "0 exchanges" },
        { 2, "1 exchanges" }, { 3, "1 exchanges" }, { 5, "2 exchanges" } };
    for (const auto &[messages, text] : exchanges)
        EXPECT_EQ(ChatTexts::exchangesText(messages), text);
}

TEST(ChatTextsTest, ProposesADateStampedPngName)
{
    const QDateTime moment(QDate(2024, 3, 15), QTime(14, 5, 30), Qt::UTC);
    const QTimeZone berlin(QByteArrayLiteral("Europe/Berlin"));
    EXPECT_EQ(ChatTexts::proposedScreenshotFileName(
                  DateEnvironment::fixed(moment, QLocale(QLocale::German), berlin)),
        QStringLiteral("Screenshot_2024-03-15_15-05-30.png"));
}

TEST(ChatTextsTest, ClampsLongTextsWithAnEllipsis)
{
    const QFont font = Fonts::custom(QString::fromLatin1(Fonts::hafferRegular), 14);
    const QString longTitle
        = QStringLiteral("Summarize this article about renewable energy and its effects on "
                         "the grid in northern Europe over the last ten years");
    const QStringList lines = ChatTexts::clampedLines(longTitle, font, 200, 2);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines.last().endsWith(QChar(0x2026)));
    for (const QString &line : lines)
        EXPECT_LE(QFontMetricsF(font).horizontalAdvance(line), 200.5);
    EXPECT_EQ(
        ChatTexts::clampedLines(QStringLiteral("Short"), font, 200, 2), QStringList(QStringLiteral("Short")));
}

TEST(TranscriptMessageViewTest, UserAndAssistantLinesDifferAsTheyShould)
{
    FinishAtOnce finish;
    const QDateTime when(QDate(2024, 3, 15), QTime(9, 30), Qt::LocalTime);
    TranscriptMessageView user(ChatMessage(QStringLiteral("<b>Hi</b> **there**"), true, when));
    TranscriptMessageView assistant(ChatMessage(QString(), false, when));

    EXPECT_EQ(user.findChild<PlainLabel *>(QStringLiteral("sender"))->text(), QStringLiteral("You"));
    EXPECT_EQ(user.findChild<PlainLabel *>(QStringLiteral("sender"))->textFormat(), Qt::PlainText);
    EXPECT_EQ(user.findChild<PlainLabel *>(QStringLiteral("time"))->text(), formatMessageTime(when));
    EXPECT_EQ(user.textBlock()->plainText(), QStringLiteral("<b>Hi</b> **there**"));
    EXPECT_TRUE(user.textBlock()->isTextSelectable());
    EXPECT_EQ(user.plateColour().alpha(), 0);
    EXPECT_TRUE(user.separatorRect().isEmpty());

    EXPECT_EQ(
        assistant.findChild<PlainLabel *>(QStringLiteral("sender"))->text(), QStringLiteral("Assistant"));
    EXPECT_EQ(assistant.plateColour(), Palette::withOpacity(Palette::gray(), 0.08));
    // An empty message still has its header and its padded plate; the
    // separator is one point high, 24 in from each side, below the plate.
    assistant.resize(600, assistant.sizeHint().height());
    assistant.show();
    QCoreApplication::processEvents();
    EXPECT_GE(assistant.plateRect().height(), 24);
    EXPECT_EQ(assistant.separatorRect(), QRect(24, assistant.height() - 1, 552, 1));
    EXPECT_GE(assistant.separatorRect().top() - assistant.plateRect().bottom(), 8);
}

// A long answer, and one long word in it, are shown whole in blocks short
// enough to lay out at once: one block of it would hold the program up for
// seconds (minutes for the word). The blocks stand one below the other on
// one plate.
TEST(TranscriptMessageViewTest, ALongTextIsShownWholeInBlocksThatLayOutQuickly)
{
    QString content;
    while (content.size() < 60000)
        content += QStringLiteral("Some words of a long answer, in lines.\n");
    content += QString(30000, QLatin1Char('x')) + QStringLiteral(" end");
    TranscriptMessageView line(ChatMessage(content, false, QDateTime::currentDateTime()));
    const QList<TextBlock *> blocks = line.findChildren<TextBlock *>();
    ASSERT_GT(blocks.size(), 1);
    QString shown;
    for (const TextBlock *block : blocks) {
        EXPECT_LE(block->plainText().size(), 8192);
        EXPECT_TRUE(block->isTextSelectable());
        shown += block->plainText();
    }
    EXPECT_EQ(shown, content);

    line.resize(600, line.heightForWidth(600));
    line.show();
    QCoreApplication::processEvents();
    const auto placed
        = [&line](const TextBlock *block) { return QRect(block->mapTo(&line, QPoint()), block->size()); };
    for (qsizetype i = 1; i < blocks.size(); ++i)
        EXPECT_EQ(placed(blocks.at(i)).top(), placed(blocks.at(i - 1)).bottom() + 1);
    EXPECT_EQ(line.plateRect().top(), placed(blocks.first()).top() - 12);
    EXPECT_EQ(line.plateRect().bottom(), placed(blocks.last()).bottom() + 12);
}

TEST(TranscriptMessageViewTest, TheCopyButtonShowsWhileHoveredAndCopiesTheWholeText)
{
    FinishAtOnce finish;
    TranscriptMessageView line(
        ChatMessage(QStringLiteral("**All** of it"), false, QDateTime::currentDateTime()));
    line.resize(600, 120);
    line.show();
    EXPECT_EQ(line.copyButton(), nullptr);
    hover(&line, true);
    ASSERT_NE(line.copyButton(), nullptr);
    EXPECT_TRUE(line.copyButton()->isVisible());
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::mouseClick(line.copyButton(), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("**All** of it"));
    hover(&line, false);
    EXPECT_FALSE(line.copyButton()->isVisible());
}

TEST(TranscriptTypingViewTest, TheEmphasisStartsInTheMiddleMovesEveryTickAndStopsWhenHidden)
{
    TranscriptTypingView view;
    PulsingDots &typing = *view.dots();
    EXPECT_EQ(typing.phase(), 0);
    view.show();
    EXPECT_EQ(typing.phase(), 1);
    EXPECT_TRUE(typing.isTicking());
    QElapsedTimer clock;
    clock.start();
    QList<int> phases;
    while (phases.size() < 3 && clock.elapsed() < 5000) {
        const int phase = typing.phase();
        if (QTest::qWaitFor([&] { return typing.phase() != phase; }, 1000))
            phases << typing.phase();
    }
    EXPECT_EQ(phases, QList<int>({ 2, 0, 1 }));
    EXPECT_GE(clock.elapsed(), 3 * 400 - 100);
    view.hide();
    EXPECT_FALSE(typing.isTicking());
}

// Whole, also in the fallback font (the tests run without the custom one).
TEST(EmptyStateViewTest, TheHelpTextTakesAtMostThreeLinesWithin280AndShowsWhole)
{
    EmptyStateView empty;
    empty.resize(800, 400);
    empty.show();
    PlainLabel *help = empty.findChild<PlainLabel *>(QStringLiteral("help"));
    ASSERT_NE(help, nullptr);
    EXPECT_LE(help->text().count(u'\n'), 2);
    EXPECT_LE(help->parentWidget()->width(), 280);
    EXPECT_EQ(help->text().replace(u'\n', u' ').toStdString(),
        "Ask me anything about the screenshot. I can help explain, analyze, or extract information from it.");
    EXPECT_EQ(empty.findChild<PlainLabel *>(QStringLiteral("title"))->text(),
        QStringLiteral("Start a Conversation"));
}

TEST(HoverActionButtonTest, WhiteOnOrangeWhileHovered)
{
    FinishAtOnce finish;
    int presses = 0;
    HoverActionButton button(QStringLiteral("Copy"), QStringLiteral("doc.on.doc"), [&presses] { ++presses; });
    button.show();
    EXPECT_EQ(button.foregroundColour(), Palette::primaryLabel());
    EXPECT_EQ(button.backgroundColour(), Palette::withOpacity(Palette::quaternaryLabel(), 0.5));
    hover(&button, true);
    EXPECT_EQ(button.foregroundColour(), QColor(Qt::white));
    EXPECT_EQ(button.backgroundColour(), Palette::orange());
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(presses, 1);
}

TEST(ConversationRowViewTest, ThumbnailsAreMadeOffTheGuiThreadOrShowThePlaceholder)
{
    ConversationThumbnails thumbnails(32);
    const QDateTime now = QDateTime::currentDateTime();
    const Conversation withImage(
        QStringLiteral("t"), now, ImageData::pngData(ChatSamples::screenshot(QSize(120, 60))), {});
    const Conversation broken(QStringLiteral("t"), now, QByteArray("not a png"), {});
    const Conversation none(QStringLiteral("t"), now, std::nullopt, { SavedMessage("q", true, now) });

    EXPECT_FALSE(thumbnails.thumbnail(withImage, 2).has_value()); // on its way
    QSignalSpy ready(&thumbnails, &ConversationThumbnails::thumbnailReady);
    ASSERT_TRUE(ready.wait(5000));
    const QImage image = *thumbnails.thumbnail(withImage, 2);
    EXPECT_EQ(image.size(), QSize(64, 64));
    EXPECT_EQ(image.devicePixelRatio(), 2);
    EXPECT_TRUE(thumbnails.thumbnail(none, 2)->isNull());
    thumbnails.thumbnail(broken, 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return thumbnails.thumbnail(broken, 2).has_value(); }, 5000));
    EXPECT_TRUE(thumbnails.thumbnail(broken, 2)->isNull());

    ConversationRowView row(none, thumbnails, nullptr, nullptr);
    EXPECT_FALSE(row.showsScreenshotThumbnail());
    EXPECT_TRUE(row.metaText().endsWith(QStringLiteral(" • 0 exchanges")));
}

// A narrow, tall screenshot is drawn at the panel's width, hundreds of
// thousands of pixels high: the part in view shows at once, top to bottom
// in the image's own colours, without a scaled copy of the whole (which took
// seconds and gigabytes). The deadline is far above the milliseconds it takes.
TEST(ScreenshotImageViewTest, ANarrowTallImageShowsAtOnceWhereItIsSeen)
{
    QImage tall(2, 3000, QImage::Format_RGB32);
    tall.fill(QColor(200, 30, 30));
    for (int y = 2000; y < 3000; ++y)
        tall.setPixel(0, y, qRgb(30, 30, 200)), tall.setPixel(1, y, qRgb(30, 30, 200));
    ScreenshotImageView view;
    view.setImage(tall);
    view.resize(400, view.heightForWidth(400));
    ASSERT_GT(view.height(), 500000);

    const QRectF picture = view.pictureRect();
    QImage top(400, 300, QImage::Format_ARGB32_Premultiplied);
    top.fill(Qt::white);
    QImage bottom = top;
    QElapsedTimer clock;
    clock.start();
    view.render(&top, QPoint(), QRegion(0, 0, 400, 300));
    const int bottomY = qRound(picture.bottom()) - 300;
    view.render(&bottom, QPoint(), QRegion(0, bottomY, 400, 300));
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(top.pixelColor(200, 150), QColor(200, 30, 30));
    EXPECT_EQ(bottom.pixelColor(200, 150), QColor(30, 30, 200));
}
