#include "ui/markup/MarkdownParser.h"
#include "ui/markup/MarkdownPiece.h"

#include "support/ThreadCpuTime.h"

#include <QSet>

#include <future>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>

namespace {

using Type = MarkdownElementType;

// An element without its identifier, for comparison.
struct Block
{
    Type type;
    QString text;
    std::optional<qint64> number;

    friend bool operator==(const Block &, const Block &) = default;
    friend void PrintTo(const Block &block, std::ostream *os)
    {
        *os << "{" << int(block.type) << ", '" << block.text.toStdString() << "'";
        if (block.number)
            *os << ", " << *block.number;
        *os << "}";
    }
};

QList<Block> blocks(const QString &text)
{
    QList<Block> result;
    for (const MarkdownElement &element : parseMarkdown(text))
        result.append({ element.type, element.text, element.number });
    return result;
}

Block heading(const QString &text)
{
    return { Type::heading, text, std::nullopt };
}
Block subheading(const QString &text)
{
    return { Type::subheading, text, std::nullopt };
}
Block bullet(const QString &text)
{
    return { Type::bullet, text, std::nullopt };
}
Block item(qint64 number, const QString &text)
{
    return { Type::numberedList, text, number };
}
Block paragraph(const QString &text)
{
    return { Type::paragraph, text, std::nullopt };
}

// A run without its identifier, for comparison.
struct InlineRun
{
    QString text;
    bool isBold = false;

    friend bool operator==(const InlineRun &, const InlineRun &) = default;
    friend void PrintTo(const InlineRun &run, std::ostream *os)
    {
        *os << (run.isBold ? "bold '" : "plain '") << run.text.toStdString() << "'";
    }
};

QList<InlineRun> runs(const QString &text)
{
    QList<InlineRun> result;
    for (const TextSegment &segment : parseFormattedText(text)) {
        EXPECT_FALSE(segment.isItalic);
        result.append({ segment.text, segment.isBold });
    }
    return result;
}

InlineRun plain(const QString &text)
{
    return { text, false };
}
InlineRun bold(const QString &text)
{
    return { text, true };
}

struct BlockCase
{
    const char *name;
    QString text;
    QList<Block> expected;
};

} // namespace

TEST(MarkdownParserTest, BlocksFollowTheLineRulesInOrder)
{
    const QString maxText = QString::number(std::numeric_limits<qint64>::max());
    const QList<BlockCase> cases = {
        { "empty", "", {} },
        { "blank lines only", "  \n\t\n\u3000 \n", {} },
        { "lines join into a paragraph", "Intro\nmore text\n\n# Title",
            { paragraph("Intro more text"), heading("Title") } },
        { "heading levels", "### A\n## A\n#### A\n#Title\n# A",
            { subheading("A"), subheading("A"), paragraph("#### A #Title"), heading("A") } },
        { "prefix text is not trimmed again", "#  Title\n-  item", { heading(" Title"), bullet(" item") } },
        { "bullet markers", "- a\n* b\n+ c\n*d\n-e",
            { bullet("a"), bullet("b"), bullet("c"), paragraph("*d -e") } },
        { "item numbers are read", "3. Three\n7. Seven", { item(3, "Three"), item(7, "Seven") } },
        { "two blanks take the counter", "12.  Twelve", { item(1, "Twelve") } },
        { "the counter follows the last item", "4. Four\n12.  Twelve",
            { item(4, "Four"), item(5, "Twelve") } },
        { "a bullet restarts the counter", "- a\n1. b\n2. x\n- y\n2. z\n9.\tnine\n0.  zero",
            { bullet("a"), item(1, "b"), item(2, "x"), bullet("y"), item(2, "z"), item(9, "nine"),
                item(10, "zero") } },
        { "paragraphs and fences keep the counter", "5. five\nmore\n```\n1.  six",
            { item(5, "five"), paragraph("more"), item(6, "six") } },
        { "a blank line restarts the counter", "5. five\n\n1.  one", { item(5, "five"), item(1, "one") } },
        { "digits of other scripts take the counter", "\u0663. three\n\u0661\u0662.  x",
            { item(1, "three"), item(2, "x") } },
        { "astral digits match but are not read", "\U0001D7D9. one", { item(1, "one") } },
        { "a number beyond 64 bits takes the counter", "3. a\n99999999999999999999. big",
            { item(3, "a"), item(4, "big") } },
        { "leading zeros", "007. bond", { item(7, "bond") } },
        { "white space of any kind after the full stop", "2.\u00A0two\n5.\u2003\u2003three",
            { item(2, "two"), item(3, "three") } },
        { "the largest number", maxText + ". max\n1.  next",
            { item(std::numeric_limits<qint64>::max(), "max"),
                item(std::numeric_limits<qint64>::max(), "next") } },
        { "a fence ends the paragraph and is dropped", "one\n```text\ntwo\n```\n# inside",
            { paragraph("one"), paragraph("two"), heading("inside") } },
        { "CR LF gives an empty line between", "a\r\nb", { paragraph("a"), paragraph("b") } },
        { "every line break of the set", "a\u000Bb\u000Cc\u0085d\u2028e\u2029f\rg",
            { paragraph("a b c d e f g") } },
        { "lines that only look like blocks", "#\n-  \n1.\n1. \n---\n**bold** text\n####x",
            { paragraph("# - 1. 1. --- **bold** text ####x") } },
        { "blanks around lines are trimmed", " \t Intro \u00A0\n\u2003more\t", { paragraph("Intro more") } },
        { "a combining mark on the blank breaks the prefix", "- \u0301x\n# \u0301y",
            { paragraph("- \u0301x # \u0301y") } },
        { "a NUL stays text", QString::fromUtf8("a\0b", 3), { paragraph(QString::fromUtf8("a\0b", 3)) } },
    };
    for (const BlockCase &testCase : cases)
        EXPECT_EQ(blocks(testCase.text), testCase.expected) << testCase.name;
}

TEST(MarkdownParserTest, EveryParseMakesFreshIdentifiers)
{
    const QString text = "# A\n- b\n1. c\nd";
    const QList<MarkdownElement> first = parseMarkdown(text);
    const QList<MarkdownElement> second = parseMarkdown(text);
    ASSERT_EQ(first.size(), 4);
    EXPECT_EQ(blocks(text), blocks(text));

    QSet<MarkdownElement> all;
    for (const MarkdownElement &element : first + second)
        all.insert(element);
    EXPECT_EQ(all.size(), 8);
    EXPECT_EQ(first[0], first[0]);
    EXPECT_FALSE(first[0] == second[0]);
}

TEST(MarkdownParserTest, BoldRunsBetweenDoubleStars)
{
    const QList<std::pair<QString, QList<InlineRun>>> cases = {
        { "", {} },
        { "plain", { plain("plain") } },
        { "**bold**", { bold("bold") } },
        { "a **b** c", { plain("a "), bold("b"), plain(" c") } },
        { "a **b", { plain("a "), plain("**b") } },
        { "****", { plain("*"), plain("*"), plain("**") } },
        { "***x***", { bold("*x"), plain("*") } },
        { "**a**b**c**", { bold("a"), plain("b"), bold("c") } },
        { "*a* _b_ ***", { plain("*a* _b_ "), plain("*"), plain("**") } },
        { "**", { plain("**") } },
        { "x**", { plain("x"), plain("**") } },
        { "** **", { bold(" ") } },
        { "**<b>&amp;</b>**", { bold("<b>&amp;</b>") } },
        // A star carrying a combining mark is one character, not a marker.
        { "**a*\u0301*", { plain("**a*\u0301*") } },
        { "**\U0001F600**", { bold("\U0001F600") } },
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(runs(text), expected) << text.toStdString();
}

TEST(MarkdownParserTest, RunsKeepEveryCharacterButTheMarkers)
{
    const QString text = "x **a** y **b ** c* **";
    QString joined;
    for (const TextSegment &segment : parseFormattedText(text))
        joined += segment.text;
    EXPECT_EQ(joined, "x a y b  c* **");
}

TEST(MarkdownParserTest, MegabytesParseInLinearTime)
{
    // Inputs that a careless scan or buffer would make quadratic; at this size
    // quadratic work would take hours, linear work well under a second each.
    const qsizetype size = 4 * 1024 * 1024;
    const QList<std::pair<const char *, QString>> blockInputs = {
        { "one long paragraph of many lines", QString("word word\n").repeated(size / 10) },
        { "one line of digits", QString(size, u'7') + ". x" },
        { "one blank line", QString(size, u' ') },
        { "many items", QString("12.  item\n- b\n").repeated(size / 15) },
    };
    const QList<std::pair<const char *, QString>> inlineInputs = {
        { "an unclosed marker", "**" + QString(size, u'a') },
        { "stars only", QString(size, u'*') },
        { "alternating markers", QString("**a**b* ").repeated(size / 8) },
    };
    using std::chrono::seconds;
    for (const auto &[name, text] : blockInputs) {
        const auto start = threadCpuTime();
        const QList<MarkdownElement> elements = parseMarkdown(text);
        EXPECT_LT(threadCpuTime() - start, seconds(20)) << name;
        EXPECT_LE(elements.size(), text.size()) << name;
    }
    for (const auto &[name, text] : inlineInputs) {
        const auto start = threadCpuTime();
        const QList<TextSegment> segments = parseFormattedText(text);
        EXPECT_LT(threadCpuTime() - start, seconds(20)) << name;
        EXPECT_FALSE(segments.isEmpty()) << name;
    }
}

TEST(MarkdownParserTest, ParsesOnWorkerThreads)
{
    const QString text = QString("# Title\n- **item** one\n3. three\npara **graph**\n").repeated(2000);
    const QList<Block> expected = blocks(text);
    std::vector<std::future<QList<Block>>> futures;
    for (int i = 0; i < 4; ++i)
        futures.push_back(std::async(std::launch::async, [text] { return blocks(text); }));
    for (std::future<QList<Block>> &future : futures)
        EXPECT_EQ(future.get(), expected);
}

TEST(MarkdownPieceTest, ALongBlockIsCutAtWhiteSpaceWithItsBoldRunsWhole)
{
    const QString text = QStringLiteral("plain words and **a bold run that stays whole** then more ").repeated(600);
    const QList<MarkdownElement> elements { MarkdownElement(MarkdownElementType::paragraph, text),
        MarkdownElement(MarkdownElementType::bullet, QStringLiteral("short")) };
    const QList<MarkdownPiece> pieces = piecesOf(elements, 4096);
    ASSERT_GT(pieces.size(), 8);
    QString joined;
    QStringList boldRuns;
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        const MarkdownPiece &piece = pieces[i];
        EXPECT_EQ(piece.element.type, MarkdownElementType::paragraph);
        EXPECT_EQ(piece.first, i == 0);
        EXPECT_EQ(piece.last, i == pieces.size() - 2);
        EXPECT_LE(piece.element.text.size(), 4096);
        EXPECT_GT(piece.element.text.size(), 2048);
        if (!piece.last) {
            EXPECT_TRUE(piece.element.text.back().isSpace()) << i;
        }
        joined += piece.element.text;
        for (const TextSegment &segment : parseFormattedText(piece.element.text)) {
            if (segment.isBold)
                boldRuns.append(segment.text);
        }
    }
    EXPECT_EQ(joined, text);
    EXPECT_EQ(boldRuns, QStringList(600, QStringLiteral("a bold run that stays whole")));
    // A block that fits stays one piece.
    EXPECT_EQ(pieces.last().element.text, QStringLiteral("short"));
    EXPECT_TRUE(pieces.last().first && pieces.last().last);

    // With no white space at all the cut falls between characters as the
    // reader sees them: never inside a surrogate pair, between a letter and
    // its accent, or inside an emoji joined from several.
    const QString characters[] = {
        QString::fromUtf8("😀"),
        QString::fromUtf8("e\u0301"),
        QString::fromUtf8("👨‍👩‍👧‍👦"),
        QString::fromUtf8("👍🏽"),
        QString::fromUtf8("🇩🇪"),
    };
    for (const QString &character : characters) {
        const QString word = character.repeated(9000 / character.size());
        for (const qsizetype longest : { qsizetype(8192), qsizetype(4095) }) {
            const QList<MarkdownPiece> cut
                = piecesOf({ MarkdownElement(MarkdownElementType::paragraph, word) }, longest);
            ASSERT_GT(cut.size(), 1) << character.toStdString();
            QString joined;
            for (const MarkdownPiece &piece : cut) {
                EXPECT_EQ(piece.element.text.size() % character.size(), 0)
                    << character.toStdString() << " cut inside at " << joined.size();
                joined += piece.element.text;
            }
            EXPECT_EQ(joined, word);
        }
    }

    // Where the text has line breaks, it is cut after one.
    const QString lines = (QStringLiteral("words ").repeated(50) + u'\n').repeated(100);
    for (const MarkdownPiece &piece : piecesOf({ MarkdownElement(MarkdownElementType::code, lines) }, 4096))
        EXPECT_TRUE(piece.element.text.endsWith(u'\n'));
}
