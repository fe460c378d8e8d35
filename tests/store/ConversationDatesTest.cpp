#include "StoreTestSupport.h"
#include "platform/UserDefaults.h"
#include "store/ConversationManager.h"

#include <QTimeZone>

#include <gtest/gtest.h>

using namespace StoreTestSupport;

namespace {

Conversation savedAt(const QDateTime &createdAt, const QString &title = QString())
{
    return Conversation(title, createdAt, std::nullopt, {});
}

// The titles of each group, as "Group: a b c".
QStringList groupTitles(const QList<ConversationGroup> &groups)
{
    QStringList result;
    for (const ConversationGroup &group : groups) {
        QStringList titles;
        for (const Conversation &conversation : group.conversations)
            titles.append(conversation.title());
        result.append(group.title + QLatin1String(": ") + titles.join(QLatin1Char(' ')));
    }
    return result;
}

// The conversations as the application loads them after an earlier run
// saved them.
std::unique_ptr<ConversationManager> loadedManager(const QList<Conversation> &conversations)
{
    storeConversations(UserDefaults::standard(), conversations);
    auto manager = std::make_unique<ConversationManager>(UserDefaults::standard());
    manager->loadConversations();
    return manager;
}

} // namespace

TEST(ConversationDatesTest, ShortDateIsTheTimeTodayYesterdayOrMonthAndDay)
{
    const DateEnvironment environment = berlinEnvironment(berlinTime(2024, 3, 15, 10, 0));
    const struct
    {
        QDateTime createdAt;
        QString expected;
    } cases[] = {
        { berlinTime(2024, 3, 15, 0, 1), QStringLiteral("12:01 AM") },
        { berlinTime(2024, 3, 15, 9, 59), QStringLiteral("9:59 AM") },
        // Today in Berlin, still yesterday in UTC.
        { QDateTime(QDate(2024, 3, 14), QTime(23, 30), Qt::UTC), QStringLiteral("12:30 AM") },
        { berlinTime(2024, 3, 14, 23, 59), QStringLiteral("Yesterday") },
        { berlinTime(2024, 3, 14, 0, 0), QStringLiteral("Yesterday") },
        { berlinTime(2024, 3, 13, 23, 59), QStringLiteral("Mar 13") },
        { berlinTime(2023, 12, 1, 12, 0), QStringLiteral("Dec 1") },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.createdAt.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(savedAt(c.createdAt).shortDate(environment), c.expected);
    }
    // The C locale (LANG=C) has seconds in its short time style; the lists
    // show hours and minutes.
    const DateEnvironment posix
        = DateEnvironment::fixed(berlinTime(2024, 3, 15, 10, 0), QLocale::c(), QTimeZone("Europe/Berlin"));
    EXPECT_EQ(savedAt(berlinTime(2024, 3, 15, 9, 59, 30)).shortDate(posix), QStringLiteral("09:59"));
}

TEST(ConversationDatesTest, DateTextsFollowTheLocaleAndTimeZone)
{
    const QDateTime created(QDate(2024, 3, 13), QTime(8, 5), Qt::UTC);
    const QDateTime now(QDate(2024, 3, 20), QTime(12, 0), Qt::UTC);
    const struct
    {
        QLocale locale;
        QByteArray zone;
        QString shortDate;
        QString formattedDate;
    } cases[] = {
        { QLocale(QLocale::English, QLocale::UnitedStates), "America/New_York", QStringLiteral("Mar 13"),
            QStringLiteral("Mar 13, 2024 4:05 AM") },
        { QLocale(QLocale::English, QLocale::UnitedKingdom), "Europe/London", QStringLiteral("Mar 13"),
            QStringLiteral("13 Mar 2024 08:05") },
        { QLocale(QLocale::German, QLocale::Germany), "Europe/Berlin", QStringLiteral("März 13"),
            QStringLiteral("13. März 2024 09:05") },
        { QLocale(QLocale::Japanese, QLocale::Japan), "Asia/Tokyo", QStringLiteral("3月 13"),
            QStringLiteral("2024年3月13日 17:05") },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        const DateEnvironment environment = DateEnvironment::fixed(now, c.locale, QTimeZone(c.zone));
        EXPECT_EQ(savedAt(created).shortDate(environment), c.shortDate);
        EXPECT_EQ(savedAt(created).formattedDate(environment), c.formattedDate);
    }
}

TEST(ConversationDatesTest, GroupsByCalendarDayAndSevenDaysBack)
{
    const std::unique_ptr<ConversationManager> manager = loadedManager({
        savedAt(berlinTime(2024, 3, 15, 0, 0), QStringLiteral("today")),
        savedAt(berlinTime(2024, 3, 14, 23, 59, 59), QStringLiteral("lastNight")),
        savedAt(berlinTime(2024, 3, 14, 0, 0), QStringLiteral("yesterdayMorning")),
        savedAt(berlinTime(2024, 3, 13, 23, 0), QStringLiteral("twoDaysAgo")),
        savedAt(berlinTime(2024, 3, 8, 11, 0), QStringLiteral("sixDays23Hours")),
        savedAt(berlinTime(2024, 3, 8, 10, 0), QStringLiteral("sevenDays")),
        savedAt(berlinTime(2024, 3, 14, 12, 0), QStringLiteral("yesterdayNoon")),
        savedAt(berlinTime(2023, 1, 1, 0, 0), QStringLiteral("lastYear")),
    });

    EXPECT_EQ(groupTitles(manager->groupedConversations(berlinEnvironment(berlinTime(2024, 3, 15, 10, 0)))),
        QStringList({ QStringLiteral("Today: today"),
            QStringLiteral("Yesterday: lastNight yesterdayMorning yesterdayNoon"),
            QStringLiteral("This Week: twoDaysAgo sixDays23Hours"),
            QStringLiteral("Older: sevenDays lastYear") }));

    // A week later only the old ones are left, and empty groups are left out.
    EXPECT_EQ(groupTitles(manager->groupedConversations(berlinEnvironment(berlinTime(2024, 3, 22, 10, 0)))),
        QStringList({ QStringLiteral("Older: today lastNight yesterdayMorning twoDaysAgo sixDays23Hours "
                                     "sevenDays yesterdayNoon lastYear") }));
}

TEST(ConversationDatesTest, AWeekAgoIsSevenCalendarDaysAcrossTheClockChange)
{
    // Clocks went forward on 31 March 2024: seven calendar days before
    // 2 April 12:00 are 167 hours, not 168.
    const std::unique_ptr<ConversationManager> manager = loadedManager({
        savedAt(berlinTime(2024, 3, 26, 12, 0, 1), QStringLiteral("justInside")),
        savedAt(berlinTime(2024, 3, 26, 12, 0), QStringLiteral("exactlyAWeek")),
        savedAt(berlinTime(2024, 3, 26, 11, 30), QStringLiteral("within168Hours")),
    });
    EXPECT_EQ(groupTitles(manager->groupedConversations(berlinEnvironment(berlinTime(2024, 4, 2, 12, 0)))),
        QStringList({ QStringLiteral("This Week: justInside"),
            QStringLiteral("Older: exactlyAWeek within168Hours") }));
}

TEST(ConversationDatesTest, NoConversationsGiveNoGroups)
{
    EXPECT_TRUE(loadedManager({})->groupedConversations().isEmpty());
}
