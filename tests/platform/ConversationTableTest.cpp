#include "platform/ConversationTable.h"

#include "platform/StoreWaitLimit.h"
#include "platform/UserDefaults.h"
#include "support/DatabaseLock.h"
#include "support/LogCapture.h"
#include "support/SqliteLengthLimit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

QByteArray fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file and its write-ahead log, where a write lands first.
QByteArray fileAndLog(const QString &path)
{
    return fileContents(path) + fileContents(path + QStringLiteral("-wal"));
}

// Bytes like a compressed screenshot's: no run of them occurs by chance.
QByteArray screenshotLike(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    generator.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

ConversationRow row(const QString &id, const QByteArray &record, const std::optional<QByteArray> &screenshot)
{
    return ConversationRow { id, std::nullopt, record, screenshot };
}

class ConversationTableTest : public ::testing::Test
{
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("defaults.sqlite3")); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ConversationTableTest, RowsComeBackNewestFirstWithTheirBytes)
{
    UserDefaults defaults(path());
    ConversationTable table(defaults);
    const QByteArray png = screenshotLike(300 * 1024 + 3, 1);
    EXPECT_EQ(table.upsert(row(QStringLiteral("A"), R"({"title":"first"})", png)), 1);
    EXPECT_EQ(table.upsert(row(QStringLiteral("B"), R"({"title":"second"})", std::nullopt)), 2);
    EXPECT_EQ(table.upsert(row(QStringLiteral("C"), R"({"title":"third"})", QByteArray())), 3);

    std::optional<QList<ConversationRow>> rows = table.readAll();
    ASSERT_TRUE(rows.has_value());
    ASSERT_EQ(rows->size(), 3);
    EXPECT_EQ((*rows)[0].id, QStringLiteral("C"));
    EXPECT_EQ((*rows)[0].screenshot, QByteArray()); // empty, not absent
    EXPECT_EQ((*rows)[1].id, QStringLiteral("B"));
    EXPECT_EQ((*rows)[1].screenshot, std::nullopt);
    EXPECT_EQ((*rows)[2].id, QStringLiteral("A"));
    EXPECT_EQ((*rows)[2].position, 1);
    EXPECT_EQ((*rows)[2].record, R"({"title":"first"})");
    EXPECT_EQ((*rows)[2].screenshot, png);

    // The same id replaces its row; a position given is kept.
    ConversationRow replacement = row(QStringLiteral("A"), R"({"title":"first, again"})", std::nullopt);
    replacement.position = 7;
    EXPECT_EQ(table.upsert(replacement), 7);
    rows = table.readAll();
    ASSERT_EQ(rows->size(), 3);
    EXPECT_EQ(rows->first().record, R"({"title":"first, again"})");
    EXPECT_EQ(rows->first().screenshot, std::nullopt);

    EXPECT_TRUE(table.remove(QStringLiteral("B")));
    EXPECT_TRUE(table.remove(QStringLiteral("never saved")));
    rows = table.readAll();
    ASSERT_EQ(rows->size(), 2);
    EXPECT_EQ(rows->at(1).id, QStringLiteral("C"));

    // Another connection, as in another process, reads the same rows.
    UserDefaults again(path());
    ConversationTable other(again);
    EXPECT_EQ(other.readAll()->size(), 2);
}

// A deleted or replaced conversation leaves neither its text nor its
// screenshot anywhere in the file, nor a journal holding them.
TEST_F(ConversationTableTest, WhatADeletionRemovesIsErasedFromTheFile)
{
    UserDefaults defaults(path());
    ConversationTable table(defaults);
    const QByteArray keptPng = screenshotLike(1024 * 1024, 2);
    const QByteArray deletedPng = screenshotLike(1024 * 1024, 3);
    const QByteArray replacedPng = screenshotLike(200 * 1024, 4);
    ASSERT_TRUE(table.upsert(row(QStringLiteral("KEPT"), R"({"title":"Kept conversation"})", keptPng)));
    ASSERT_TRUE(table.upsert(
        row(QStringLiteral("GONE"), R"({"title":"Secret plans","messages":["my password"]})", deletedPng)));
    ASSERT_TRUE(table.upsert(row(QStringLiteral("EDIT"), R"({"title":"Draft wording"})", replacedPng)));

    const QByteArray before = fileAndLog(path());
    ASSERT_TRUE(before.contains("Secret plans"));
    ASSERT_TRUE(before.contains(deletedPng.mid(500000, 64)));

    ASSERT_TRUE(table.remove(QStringLiteral("GONE")));
    ASSERT_TRUE(table.upsert(row(QStringLiteral("EDIT"), R"({"title":"Final wording"})", std::nullopt)));

    const QByteArray after = fileAndLog(path());
    for (const QByteArray &trace : { QByteArray("Secret plans"), QByteArray("my password"),
             deletedPng.left(64), deletedPng.mid(500000, 64), deletedPng.right(64),
             QByteArray("Draft wording"), replacedPng.mid(100000, 64) })
        EXPECT_FALSE(after.contains(trace)) << trace.left(20).toHex().toStdString();
    EXPECT_TRUE(after.contains(keptPng.mid(500000, 64)));
    EXPECT_TRUE(after.contains("Final wording"));
    EXPECT_FALSE(QFileInfo::exists(path() + QStringLiteral("-journal")));
}

// The list as one value stops at SQLite's longest value; as rows it does not.
TEST_F(ConversationTableTest, MoreConversationsThanOneValueCouldHold)
{
    const SqliteLengthLimit limit(1024 * 1024);
    UserDefaults defaults(path());
    ConversationTable table(defaults);
    QList<QByteArray> screenshots;
    for (int i = 0; i < 12; ++i) {
        screenshots.append(screenshotLike(200 * 1024, 10 + i));
        ASSERT_TRUE(table.upsert(row(QStringLiteral("ROW%1").arg(i), "{}", screenshots.last())));
    }
    LogCapture log;
    EXPECT_FALSE(defaults.setData(QStringLiteral("AllAtOnce"), QByteArray(12 * 200 * 1024, 'x')));
    EXPECT_TRUE(log.lines().value(0).endsWith(QStringLiteral("string or blob too big")));

    const std::optional<QList<ConversationRow>> rows = table.readAll();
    ASSERT_TRUE(rows.has_value());
    ASSERT_EQ(rows->size(), 12);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(rows->at(11 - i).screenshot, screenshots[i]);
}

TEST_F(ConversationTableTest, AScreenshotThatIsNoBytesHidesNoRow)
{
    UserDefaults defaults(path());
    ConversationTable table(defaults);
    const QByteArray png = screenshotLike(2048, 3);
    ASSERT_TRUE(table.upsert(row(QStringLiteral("A"), "{}", png)));
    ASSERT_TRUE(table.upsert(row(QStringLiteral("B"), "{}", png)));
    ASSERT_TRUE(table.upsert(row(QStringLiteral("C"), "{}", std::nullopt)));
    {
        // Another program, or a hand at the sqlite3 prompt, put numbers
        // where screenshots go.
        sqlite3 *other = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path()).constData(), &other), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(other,
                      "UPDATE conversations SET screenshot = 42 WHERE id = 'B'; "
                      "UPDATE conversations SET screenshot = 2.5 WHERE id = 'C'",
                      nullptr, nullptr, nullptr),
            SQLITE_OK);
        sqlite3_close(other);
    }

    QString error;
    const std::optional<QList<ConversationRow>> rows = table.readAll(&error);
    ASSERT_TRUE(rows.has_value()) << error.toStdString();
    ASSERT_EQ(rows->size(), 3);
    EXPECT_EQ(rows->at(0).id, QStringLiteral("C"));
    EXPECT_FALSE(rows->at(0).screenshot.has_value());
    EXPECT_EQ(rows->at(1).id, QStringLiteral("B"));
    EXPECT_FALSE(rows->at(1).screenshot.has_value());
    EXPECT_EQ(rows->at(2).screenshot, png);
}

TEST_F(ConversationTableTest, ALockedFileIsAFailureNeverAnEmptyList)
{
    {
        UserDefaults defaults(path());
        ConversationTable table(defaults);
        ASSERT_TRUE(table.upsert(row(QStringLiteral("A"), "{}", std::nullopt)));
    }
    DatabaseLock other(path());
    ASSERT_TRUE(other.isHeld());
    UserDefaults defaults(path());
    ConversationTable table(defaults);
    QString error;
    EXPECT_FALSE(table.readAll(&error).has_value());
    EXPECT_EQ(error, QStringLiteral("database is locked"));
    other.release();

    EXPECT_EQ(table.readAll()->size(), 1);
}

TEST_F(ConversationTableTest, AnImportMovesTheOldValueIntoRowsAndLeavesNoOlderCopies)
{
    const QString key = QStringLiteral("SavedConversations");
    {
        // An earlier version saved the whole list as one value, again and
        // again, leaving earlier lists in free pages of the file.
        UserDefaults earlier(path());
        ASSERT_TRUE(earlier.setData(key,
            "[old list" + screenshotLike(300000, 5) + "a since-deleted conversation"
                + screenshotLike(1000, 8)));
        ASSERT_TRUE(earlier.setData(key, "[current list" + screenshotLike(400000, 6) + "current end]"));
        ASSERT_TRUE(fileAndLog(path()).contains("since-deleted conversation"));
    }
    UserDefaults defaults(path());
    ConversationTable table(defaults);
    ASSERT_TRUE(
        table.upsert(row(QStringLiteral("NEWER"), R"({"title":"saved by this version"})", std::nullopt)));

    const QList<ConversationRow> imported
        = { row(QStringLiteral("I1"), R"({"title":"newest old"})", std::nullopt),
              row(QStringLiteral("I2"), R"({"title":"oldest old"})", screenshotLike(1000, 7)) };
    EXPECT_EQ(table.importRows(imported, key), 2);

    EXPECT_FALSE(defaults.contains(key));
    const std::optional<QList<ConversationRow>> rows = table.readAll();
    ASSERT_TRUE(rows.has_value());
    QStringList ids;
    for (const ConversationRow &stored : *rows)
        ids.append(stored.id);
    EXPECT_EQ(ids, QStringList({ QStringLiteral("NEWER"), QStringLiteral("I1"), QStringLiteral("I2") }));
    EXPECT_EQ(rows->at(2).screenshot, screenshotLike(1000, 7));
    const QByteArray file = fileAndLog(path());
    EXPECT_FALSE(file.contains("since-deleted conversation"));
    EXPECT_FALSE(file.contains("current end]"));

    // An import that fails writes nothing and keeps the value.
    ASSERT_TRUE(defaults.setData(key, "[another old list]"));
    EXPECT_EQ(table.importRows({ row(QStringLiteral("X"), "{}", std::nullopt),
                                   row(QStringLiteral("NEWER"), "{}", std::nullopt) },
                  key),
        std::nullopt);
    EXPECT_EQ(defaults.dataForKey(key), QByteArray("[another old list]"));
    EXPECT_EQ(table.readAll()->size(), 3);

    // A value another program moved in the meantime is not imported twice.
    ASSERT_TRUE(defaults.removeObject(key));
    EXPECT_EQ(table.importRows({ row(QStringLiteral("Y"), "{}", std::nullopt) }, key), 0);
    EXPECT_EQ(table.readAll()->size(), 3);
}

// A program killed after a deletion's commit, before it emptied the log,
// leaves the deleted conversation's bytes in the file (the log holds the
// zeros): the next start erases them as it opens the file, before any other
// write.
TEST_F(ConversationTableTest, ADeletionCutOffBeforeTheLogWasEmptiedIsErasedAtTheNextOpen)
{
    const QByteArray secretPng = screenshotLike(1024 * 1024, 21);
    {
        UserDefaults defaults(path());
        ConversationTable table(defaults);
        ASSERT_TRUE(
            table.upsert(row(QStringLiteral("KEPT"), R"({"title":"Kept"})", screenshotLike(4096, 20))));
        ASSERT_TRUE(table.upsert(row(QStringLiteral("GONE"), R"({"title":"Secret plans"})", secretPng)));
    }
    {
        // The deletion as the program commits it, then the kill: the
        // connection ends without emptying the log.
        sqlite3 *killed = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path()).constData(), &killed), SQLITE_OK);
        sqlite3_db_config(killed, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        ASSERT_EQ(
            sqlite3_exec(killed, "PRAGMA secure_delete = ON; DELETE FROM conversations WHERE id = 'GONE'",
                nullptr, nullptr, nullptr),
            SQLITE_OK);
        sqlite3_close(killed);
    }
    ASSERT_GT(QFileInfo(path() + QStringLiteral("-wal")).size(), 0);
    ASSERT_TRUE(fileContents(path()).contains("Secret plans"));

    LogCapture log;
    UserDefaults defaults(path());
    ConversationTable table(defaults);
    ASSERT_EQ(table.readAll()->size(), 1);
    for (const QByteArray &trace : { QByteArray("Secret plans"), secretPng.mid(300000, 64) })
        EXPECT_FALSE(fileAndLog(path()).contains(trace)) << trace.left(12).toStdString();
    // Two saves later, still nothing.
    ASSERT_TRUE(table.upsert(row(QStringLiteral("NEW1"), "{}", screenshotLike(100000, 22))));
    ASSERT_TRUE(table.upsert(row(QStringLiteral("NEW2"), "{}", screenshotLike(100000, 23))));
    EXPECT_FALSE(fileAndLog(path()).contains("Secret plans"));
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join(u'\n').toStdString();
}

// A version that keeps no pictures deletes a conversation and leaves its
// picture: the next opening deletes it and erases its bytes, and keeps every
// other row of the defaults, look-alike keys included.
TEST_F(ConversationTableTest, APictureLeftByAnOlderVersionsDeletionGoesAtTheNextOpen)
{
    const QByteArray keptPicture = screenshotLike(6000, 30);
    const QByteArray strayPicture = screenshotLike(6000, 31);
    const QStringList otherKeys { QStringLiteral("ConversationThumbnail"), QStringLiteral("ConversationThumbnail."),
        QStringLiteral("ConversationThumbnailGONE"), QStringLiteral("conversationthumbnail.GONE"),
        QStringLiteral("ConversationThumbnail/GONE") };
    {
        UserDefaults defaults(path());
        ConversationTable table(defaults);
        ASSERT_TRUE(table.upsert(row(QStringLiteral("KEPT"), "{}", screenshotLike(4096, 32))));
        ASSERT_TRUE(table.upsert(row(QStringLiteral("GONE"), "{}", screenshotLike(4096, 33))));
        ASSERT_TRUE(table.setThumbnail(QStringLiteral("KEPT"), keptPicture));
        ASSERT_TRUE(table.setThumbnail(QStringLiteral("GONE"), strayPicture));
        for (const QString &key : otherKeys)
            ASSERT_TRUE(defaults.setString(key, QStringLiteral("kept")));
    }
    {
        sqlite3 *older = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path()).constData(), &older), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(older, "DELETE FROM conversations WHERE id = 'GONE'", nullptr, nullptr, nullptr),
            SQLITE_OK);
        sqlite3_close(older);
    }
    ASSERT_TRUE(fileAndLog(path()).contains(strayPicture.mid(3000, 64)));

    LogCapture log;
    UserDefaults defaults(path());
    ConversationTable table(defaults);
    EXPECT_EQ(table.thumbnail(QStringLiteral("GONE")), std::nullopt);
    EXPECT_EQ(table.thumbnail(QStringLiteral("KEPT")), keptPicture);
    for (const QString &key : otherKeys)
        EXPECT_EQ(defaults.stringForKey(key), QStringLiteral("kept")) << key.toStdString();
    EXPECT_FALSE(fileAndLog(path()).contains(strayPicture.mid(3000, 64)));
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join(u'\n').toStdString();
}

// Another program reading an older state of the file keeps the log from
// being emptied: the deletion is committed, says that its erase is not
// complete, and completes it once the reader has gone.
TEST_F(ConversationTableTest, AReaderHoldingTheLogDelaysTheEraseUntilItHasGone)
{
    UserDefaults defaults(path());
    ConversationTable table(defaults);
    const QByteArray secretPng = screenshotLike(1024 * 1024, 31);
    ASSERT_TRUE(table.upsert(row(QStringLiteral("KEPT"), R"({"title":"Kept"})", std::nullopt)));
    ASSERT_TRUE(table.upsert(row(QStringLiteral("GONE"), R"({"title":"Secret plans"})", secretPng)));

    sqlite3 *reader = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path()).constData(), &reader), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM conversations", nullptr, nullptr, nullptr),
        SQLITE_OK);

    LogCapture log;
    {
        // As the GUI thread deletes: the reader is not waited for.
        const StoreWaitLimit wait;
        EXPECT_TRUE(table.remove(QStringLiteral("GONE")));
        EXPECT_FALSE(wait.busy()) << "the deletion itself was not held up";
    }
    EXPECT_EQ(table.readAll()->size(), 1);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_EQ(log.lines().first(),
        QStringLiteral(
            "⚠️ The settings store %1 could not empty its log (database is locked): what was deleted or "
            "replaced may stay readable in %1-wal until it does; trying again")
            .arg(path()));

    sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(reader);
    const QString erased = QStringLiteral(
        "🗑️ The settings store %1 has emptied its log: what was deleted or replaced is erased")
                               .arg(path());
    EXPECT_TRUE(QTest::qWaitFor([&] { return log.contains(erased); }, 30000));
    for (const QByteArray &trace : { QByteArray("Secret plans"), secretPng.mid(500000, 64) })
        EXPECT_FALSE(fileAndLog(path()).contains(trace)) << trace.left(12).toStdString();
}
