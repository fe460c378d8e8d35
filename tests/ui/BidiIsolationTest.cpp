#include "ui/markup/BidiIsolation.h"

#include "ui/markup/BlockLayout.h"

#include <QFont>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace {

const QString fsi(QChar(0x2068));
const QString pdi(QChar(0x2069));

// Where the middle of each character of the text stands as the text is
// laid out, left to right.
class LaidOut
{
public:
    explicit LaidOut(const QString &text)
        : m_text(text)
    {
        BlockLayout::layOut(
            m_layout, text, QFont(), {}, 0, 1e6, BlockLayout::directionOf(text, Qt::LeftToRight));
    }

    qreal x(const QString &part, qsizetype offset = 0) const
    {
        int at = int(BidiIsolation::isolatedPosition(m_text, m_text.indexOf(part) + offset));
        int same = at;
        const QTextLine line = m_layout.lineForTextPosition(at);
        return (line.cursorToX(&at, QTextLine::Leading) + line.cursorToX(&same, QTextLine::Trailing)) / 2;
    }
    qreal y(const QString &part) const
    {
        return m_layout
            .lineForTextPosition(int(BidiIsolation::isolatedPosition(m_text, m_text.indexOf(part))))
            .y();
    }

private:
    QString m_text;
    QTextLayout m_layout;
};

} // namespace

TEST(BidiIsolationTest, EachParagraphOfATextThatReordersIsIsolated)
{
    const struct
    {
        QString text;
        QString isolated;
    } cases[] = {
        { QStringLiteral("plain text\nstays as it is"), QStringLiteral("plain text\nstays as it is") },
        { QStringLiteral("שלום and hello"), QStringLiteral("שלום and hello") },
        { QStringLiteral("a\u202Eb"), fsi + QStringLiteral("a\u202Eb") + pdi },
        { QStringLiteral("a\u202Eb\nc\r\nd\u2028e"),
            fsi + QStringLiteral("a\u202Eb") + pdi + QStringLiteral("\n") + fsi + QStringLiteral("c") + pdi
                + QStringLiteral("\r") + fsi + pdi + QStringLiteral("\n") + fsi + QStringLiteral("d") + pdi
                + QStringLiteral("\u2028") + fsi + QStringLiteral("e") + pdi },
        { QStringLiteral("\u2069"), fsi + QStringLiteral("\u2069") + pdi },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const QString isolated = BidiIsolation::isolatedParagraphs(c.text);
        EXPECT_EQ(isolated, c.isolated);
        // Every position of the text has its place in the isolated text, in
        // front of the same character (a paragraph's end: in front of its
        // closing mark).
        for (qsizetype position = 0; position <= c.text.size(); ++position) {
            const qsizetype at = BidiIsolation::isolatedPosition(c.text, position);
            EXPECT_EQ(BidiIsolation::sourcePosition(c.text, at), position);
            if (position < c.text.size() && isolated[at] != pdi[0]) {
                EXPECT_EQ(isolated[at], c.text[position]);
            }
        }
        // A place on a mark goes to its paragraph's end.
        for (qsizetype at = 0; at <= isolated.size(); ++at) {
            const qsizetype position = BidiIsolation::sourcePosition(c.text, at);
            EXPECT_GE(position, 0);
            EXPECT_LE(position, c.text.size());
        }
    }
    EXPECT_EQ(BidiIsolation::isolatedLine(u"joined"), QStringLiteral("joined"));
    EXPECT_EQ(BidiIsolation::isolatedLine(u"\u202Ejoined"), fsi + QStringLiteral("\u202Ejoined") + pdi);
}

TEST(BidiIsolationTest, WhatAParagraphOpensToReorderEndsWithIt)
{
    // An override: within its paragraph it still acts, the next paragraph
    // reads as written.
    const LaidOut override(QStringLiteral("Pay 10 \u202Eto Bob\nthen stop"));
    EXPECT_LT(override.x(QStringLiteral("Pay")), override.x(QStringLiteral("10")));
    EXPECT_GT(override.x(QStringLiteral("to"), 1), override.x(QStringLiteral("Bob"), 1));
    EXPECT_LT(override.x(QStringLiteral("then"), 1), override.x(QStringLiteral("then"), 3));
    EXPECT_LT(override.x(QStringLiteral("then"), 2), override.x(QStringLiteral("stop"), 2));

    // An embedding left open on one line of a block does not turn round the
    // words of the next line.
    const LaidOut embedding(QStringLiteral("one \u202Btwo\u2028three four"));
    ASSERT_GT(embedding.y(QStringLiteral("three")), embedding.y(QStringLiteral("one")));
    EXPECT_LT(embedding.x(QStringLiteral("three"), 2), embedding.x(QStringLiteral("four"), 2));

    // Nor does an isolate left open.
    const LaidOut isolate(QStringLiteral("\u2067left open\nnext line"));
    EXPECT_LT(isolate.x(QStringLiteral("next"), 2), isolate.x(QStringLiteral("line"), 2));
}
