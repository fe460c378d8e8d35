#include "ai/AIResponse.h"
#include "ai/QuickAction.h"

#include <gtest/gtest.h>

TEST(AIRecordsTest, AnswerRecordsAreEqualOnlyWhenAllFourFieldsAre)
{
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000);
    const AIResponse record { QStringLiteral("An answer"), when, QuickAction::explain,
        QStringLiteral("Why?") };

    EXPECT_EQ(record,
        (AIResponse { QStringLiteral("An answer"), when, QuickAction::explain, QStringLiteral("Why?") }));

    AIResponse later = record;
    later.timestamp = when.addMSecs(1);
    EXPECT_NE(record, later);

    AIResponse typed = record;
    typed.action = std::nullopt;
    EXPECT_NE(record, typed);
    AIResponse alsoTyped = typed;
    EXPECT_EQ(typed, alsoTyped);

    AIResponse otherAction = record;
    otherAction.action = QuickAction::identify;
    EXPECT_NE(record, otherAction);
}

TEST(AIRecordsTest, QuickActionsListTheirTitlesAndSymbolsInOrder)
{
    const std::array<std::pair<QString, QString>, 4> expected { {
        { QStringLiteral("Summarize"), QStringLiteral("doc.text") },
        { QStringLiteral("Extract Text"), QStringLiteral("text.cursor") },
        { QStringLiteral("Explain"), QStringLiteral("lightbulb") },
        { QStringLiteral("Identify"), QStringLiteral("eye") },
    } };
    for (size_t i = 0; i < expected.size(); ++i) {
        const QuickAction action = QuickActions::allCases[i];
        EXPECT_EQ(QuickActions::rawValue(action), expected[i].first);
        EXPECT_EQ(QuickActions::icon(action), expected[i].second);
        EXPECT_EQ(QuickActions::fromRawValue(expected[i].first), action);
    }
}

TEST(AIRecordsTest, OnlyTheExactTitleNamesAnAction)
{
    EXPECT_EQ(QuickActions::fromRawValue(u"Extract Text"), QuickAction::extractText);
    for (const QString &text : { QStringLiteral("extract text"), QStringLiteral("ExtractText"), QString(),
             QStringLiteral("Extract Text "), QStringLiteral("extractText") })
        EXPECT_FALSE(QuickActions::fromRawValue(text).has_value()) << text.toStdString();
}
