// What the settings store makes of a file that is damaged, or that holds
// tables it did not make: it repairs what SQLite can repair, keeps what it
// does not know, and otherwise starts a new file from every row that can
// still be read, with the old one kept aside.

#include "platform/ConversationTable.h"
#include "platform/UserDefaults.h"
#include "support/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

constexpr qint64 pageSize = 65536;

QByteArray fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray screenshotLike(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    generator.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

QString conversationId(int i)
{
    return QStringLiteral("%1-0000-4000-8000-000000000000").arg(i, 8, 16, QLatin1Char('0')).toUpper();
}

// Raw SQL on the file, as another program (or the sqlite3 prompt) runs it.
void runSql(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// A page of the file, as SQLite's own page list gives it.
struct Page
{
    qint64 number;
    int cells;
};

QList<Page> pagesOf(const QString &path, const char *tree, const char *kind)
{
    QList<Page> pages;
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_stmt *select = nullptr;
    sqlite3_prepare_v2(db,
        "SELECT pageno, ncell FROM dbstat WHERE name = ?1 AND pagetype = ?2 ORDER BY pageno", -1, &select,
        nullptr);
    sqlite3_bind_text(select, 1, tree, -1, SQLITE_STATIC);
    sqlite3_bind_text(select, 2, kind, -1, SQLITE_STATIC);
    while (sqlite3_step(select) == SQLITE_ROW)
        pages.append({ sqlite3_column_int64(select, 0), sqlite3_column_int(select, 1) });
    sqlite3_finalize(select);
    sqlite3_close(db);
    return pages;
}

void overwrite(const QString &path, qint64 page, qint64 offset, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek((page - 1) * pageSize + offset));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class StoreRepairTest : public ::testing::Test
{
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("defaults.sqlite3")); }
    QStringList filesAside() const
    {
        return QDir(m_dir.path()).entryList({ QStringLiteral("defaults.sqlite3.unreadable-*") }, QDir::Files);
    }

    // Twelve settings and 100 conversations, each screenshot of a size that
    // puts seven of them on a page of the table, as screenshots of a
    // megabyte do; the file closed as the program leaves it.
    void fillStore()
    {
        UserDefaults defaults(path());
        ConversationTable table(defaults);
        for (int i = 0; i < 12; ++i)
            ASSERT_TRUE(
                defaults.setString(QStringLiteral("setting%1").arg(i), QStringLiteral("value %1").arg(i)));
        ASSERT_TRUE(defaults.setBool(QStringLiteral("hasCompletedOnboarding"), true));
        for (int i = 0; i < 100; ++i) {
            m_screenshots.append(screenshotLike(73800, quint32(i)));
            ASSERT_TRUE(table.upsert({ conversationId(i), std::nullopt,
                QStringLiteral(R"({"title":"Conversation %1"})").arg(i).toUtf8(), m_screenshots.last() }));
        }
    }

    // What a new start finds: the settings and the conversations, each
    // conversation checked against what was saved under its id.
    struct Found
    {
        int settings = 0;
        int conversations = 0;
        bool onboarded = false;
    };
    Found reopen()
    {
        Found found;
        UserDefaults defaults(path());
        ConversationTable table(defaults);
        for (int i = 0; i < 12; ++i) {
            if (defaults.stringForKey(QStringLiteral("setting%1").arg(i))
                == QStringLiteral("value %1").arg(i))
                ++found.settings;
        }
        found.onboarded = defaults.boolForKey(QStringLiteral("hasCompletedOnboarding"));
        const std::optional<QList<ConversationRow>> rows = table.readAll();
        EXPECT_TRUE(rows.has_value());
        for (const ConversationRow &row : rows.value_or(QList<ConversationRow>())) {
            const int i = row.id.left(8).toInt(nullptr, 16);
            EXPECT_EQ(row.screenshot, m_screenshots.value(i)) << row.id.toStdString();
            EXPECT_EQ(row.record, QStringLiteral(R"({"title":"Conversation %1"})").arg(i).toUtf8());
            ++found.conversations;
        }
        // The store takes saves again: its tables are whole.
        EXPECT_TRUE(table.upsert({ QStringLiteral("NEW"), std::nullopt, "{}", std::nullopt }));
        EXPECT_TRUE(defaults.setString(QStringLiteral("setting0"), QStringLiteral("value 0")));
        EXPECT_TRUE(table.remove(QStringLiteral("NEW")));
        return found;
    }

    QTemporaryDir m_dir;
    QList<QByteArray> m_screenshots;
};

} // namespace

// Other tables, as a later version may add, are no concern of this one.
TEST_F(StoreRepairTest, TablesItDoesNotKnowAreLeftAsTheyAre)
{
    fillStore();
    runSql(path(),
        "CREATE TABLE tags(conversation TEXT, tag TEXT NOT NULL); INSERT INTO tags VALUES('A', 'work');"
        "ALTER TABLE conversations ADD COLUMN pinned INTEGER");
    LogCapture log;
    const Found found = reopen();
    EXPECT_EQ(found.settings, 12);
    EXPECT_EQ(found.conversations, 100);
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join(u'\n').toStdString();
    EXPECT_TRUE(filesAside().isEmpty());

    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path()).constData(), &db);
    sqlite3_stmt *select = nullptr;
    sqlite3_prepare_v2(db, "SELECT tag FROM tags", -1, &select, nullptr);
    ASSERT_EQ(sqlite3_step(select), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char *>(sqlite3_column_text(select, 0)), "work");
    sqlite3_finalize(select);
    sqlite3_close(db);
}

// A damaged page of an index loses nothing: the index is built again from
// its table, in place.
TEST_F(StoreRepairTest, ADamagedIndexIsRebuiltAndNothingIsLost)
{
    fillStore();
    const QList<Page> index = pagesOf(path(), "sqlite_autoindex_conversations_1", "leaf");
    ASSERT_FALSE(index.isEmpty());
    overwrite(path(), index.first().number, pageSize - 500, QByteArray(500, '\0'));

    LogCapture log;
    const Found found = reopen();
    EXPECT_EQ(found.settings, 12);
    EXPECT_EQ(found.conversations, 100);
    EXPECT_TRUE(found.onboarded);
    ASSERT_EQ(log.lines().size(), 1) << log.lines().join(u'\n').toStdString();
    EXPECT_TRUE(log.lines().first().startsWith(
        QStringLiteral("⚠️ The settings store %1 was damaged (").arg(path())));
    EXPECT_TRUE(
        log.lines().first().endsWith(QStringLiteral("its indexes were rebuilt and nothing was lost")));
    EXPECT_TRUE(filesAside().isEmpty());
}

// Damage that SQLite cannot repair costs the rows on the damaged page and no
// others: a new file starts with every row that can still be read, each
// read on its own, and the old one is kept aside as it was.
TEST_F(StoreRepairTest, ADamagedPageCostsOnlyTheRowsOnIt)
{
    const struct
    {
        const char *name;
        const char *tree;
        int lostConversations;
    } cases[] = {
        // The rows of a page of the table itself.
        { "a page of the conversations", "conversations", -1 },
        // An index whose page header is broken cannot be built again in
        // place; its table gives every row.
        { "the head of an index page", "sqlite_autoindex_defaults_1", 0 },
    };
    for (const auto &testCase : cases) {
        SCOPED_TRACE(testCase.name);
        m_screenshots.clear();
        QFile::remove(path());
        for (const QString &aside : filesAside())
            QFile::remove(m_dir.filePath(aside));
        fillStore();

        const QList<Page> pages = pagesOf(path(), testCase.tree, "leaf");
        ASSERT_GE(pages.size(), 1);
        const Page damaged = pages.at(pages.size() / 2);
        const int lost = testCase.lostConversations < 0 ? damaged.cells : testCase.lostConversations;
        if (testCase.lostConversations < 0) {
            ASSERT_GE(lost, 5) << "screenshots of this size share a page";
            ASSERT_LE(lost, 10);
        }
        overwrite(path(), damaged.number, 0, QByteArray(2000, char(0xa5)));
        const QByteArray before = fileContents(path());

        LogCapture log;
        const Found found = reopen();
        EXPECT_EQ(found.settings, 12);
        EXPECT_TRUE(found.onboarded) << "the user is not asked to start again";
        EXPECT_EQ(found.conversations, 100 - lost);

        const QStringList aside = filesAside();
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(fileContents(m_dir.filePath(aside.first())), before);
        ASSERT_EQ(log.lines().size(), 1) << log.lines().join(u'\n').toStdString();
        const QString line = log.lines().first();
        EXPECT_TRUE(
            line.startsWith(QStringLiteral("⚠️ The settings store %1 could not be used as it was (it is "
                                           "damaged: ")
                                .arg(path())))
            << line.toStdString();
        EXPECT_TRUE(
            line.endsWith(QStringLiteral("; it was moved to %1 and a new one started with what could still "
                                         "be read: 13 settings and %2 conversations, skipping 0 settings "
                                         "and %3 conversations that could not be read")
                              .arg(m_dir.filePath(aside.first()))
                              .arg(100 - lost)
                              .arg(lost)))
            << line.toStdString();
    }
}

// Tables of its own that this program could not write (saves would fail
// every time) are rebuilt in a new file, with their rows.
TEST_F(StoreRepairTest, ItsOwnTablesInAnotherFormAreRebuilt)
{
    const struct
    {
        const char *name;
        const char *sql;
        int settings;
        int conversations;
        QString problem;
        QString lostTable;
    } cases[] = {
        { "conversations without their primary key",
            "CREATE TABLE conversations(id TEXT NOT NULL, position INTEGER NOT NULL, record BLOB NOT NULL, "
            "screenshot BLOB);"
            "INSERT INTO conversations VALUES('A', 1, '{\"title\":\"first\"}', x'89504e47');"
            "INSERT INTO conversations VALUES('B', 2, '{\"title\":\"second\"}', NULL);",
            1, 2, QStringLiteral("its table \"conversations\" does not have \"id\" alone as its primary key"),
            {} },
        { "settings without their primary key",
            "CREATE TABLE defaults(key TEXT, value);"
            "INSERT INTO defaults VALUES('userName', 'Ada'), ('hasCompletedOnboarding', 1);",
            2, 0, QStringLiteral("its table \"defaults\" does not have \"key\" alone as its primary key"),
            {} },
        { "settings of other columns",
            "CREATE TABLE defaults(name TEXT, data BLOB); INSERT INTO defaults VALUES('userName', 'Ada');", 0,
            0, QStringLiteral("its table \"defaults\" has the columns name, data"),
            QStringLiteral("defaults") },
    };
    for (const auto &testCase : cases) {
        SCOPED_TRACE(testCase.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("defaults.sqlite3"));
        runSql(path, testCase.sql);
        if (testCase.settings == 1)
            runSql(path,
                "CREATE TABLE defaults(key TEXT PRIMARY KEY NOT NULL, value); INSERT INTO defaults VALUES"
                "('userName', 'Ada')");

        LogCapture log;
        UserDefaults defaults(path);
        ConversationTable table(defaults);
        const std::optional<QList<ConversationRow>> rows = table.readAll();
        ASSERT_TRUE(rows.has_value());
        EXPECT_EQ(rows->size(), testCase.conversations);
        if (testCase.conversations == 2) {
            EXPECT_EQ(rows->at(0).id, QStringLiteral("B"));
            EXPECT_EQ(rows->at(1).screenshot, QByteArray::fromHex("89504e47"));
        }
        if (testCase.settings > 0) {
            EXPECT_EQ(defaults.stringForKey(QStringLiteral("userName")), QStringLiteral("Ada"));
        }
        // Saves that replace a row by its key work again.
        ASSERT_TRUE(table.upsert({ QStringLiteral("A"), std::nullopt, "{}", std::nullopt }));
        ASSERT_TRUE(table.upsert({ QStringLiteral("A"), std::nullopt, "{}", std::nullopt }));
        ASSERT_TRUE(defaults.setString(QStringLiteral("userName"), QStringLiteral("Grace")));
        ASSERT_TRUE(defaults.setString(QStringLiteral("userName"), QStringLiteral("Grace")));

        const QStringList aside
            = QDir(dir.path()).entryList({ QStringLiteral("defaults.sqlite3.unreadable-*") }, QDir::Files);
        ASSERT_EQ(aside.size(), 1);
        ASSERT_EQ(log.lines().size(), 1) << log.lines().join(u'\n').toStdString();
        QString expected
            = QStringLiteral("⚠️ The settings store %1 could not be used as it was (%2); it was moved to "
                             "%3 and a new one started with what could still be read: %4 settings and "
                             "%5 conversations, skipping 0 settings and 0 conversations that could not "
                             "be read")
                  .arg(path, testCase.problem, dir.filePath(aside.first()))
                  .arg(testCase.settings)
                  .arg(testCase.conversations);
        if (!testCase.lostTable.isEmpty())
            expected += QStringLiteral("; nothing of its table \"%1\" could be read").arg(testCase.lostTable);
        EXPECT_EQ(log.lines().first(), expected);
    }
}
