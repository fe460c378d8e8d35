#include "platform/UserDefaults.h"

#include "platform/StoreWaitLimit.h"
#include "support/DatabaseLock.h"
#include "support/LogCapture.h"
#include "support/SqliteDiskFault.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

class UserDefaultsTest : public ::testing::Test
{
protected:
    QString pathIn(const QString &relative) const { return m_dir.filePath(relative); }

    QTemporaryDir m_dir;
};

int modeOf(const QString &path)
{
    struct stat info = {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return int(info.st_mode & 0777);
}

QByteArray fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST_F(UserDefaultsTest, AbsentKeysYieldNothingAndFalse)
{
    UserDefaults defaults(pathIn(QStringLiteral("defaults.sqlite3")));
    EXPECT_FALSE(defaults.contains(QStringLiteral("missing")));
    EXPECT_FALSE(defaults.objectForKey(QStringLiteral("missing")).has_value());
    EXPECT_FALSE(defaults.stringForKey(QStringLiteral("missing")).has_value());
    EXPECT_FALSE(defaults.dataForKey(QStringLiteral("missing")).has_value());
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("missing")));
}

TEST_F(UserDefaultsTest, EachKindReadsOnlyAsItself)
{
    UserDefaults defaults(pathIn(QStringLiteral("defaults.sqlite3")));
    ASSERT_TRUE(defaults.setString(QStringLiteral("text"), QStringLiteral("Grüße 👋")));
    ASSERT_TRUE(defaults.setBool(QStringLiteral("flag"), true));
    ASSERT_TRUE(defaults.setData(QStringLiteral("bytes"), QByteArray("\x00\x01\xff", 3)));

    EXPECT_EQ(defaults.stringForKey(QStringLiteral("text")), QStringLiteral("Grüße 👋"));
    EXPECT_FALSE(defaults.dataForKey(QStringLiteral("text")).has_value());

    EXPECT_TRUE(defaults.boolForKey(QStringLiteral("flag")));
    EXPECT_FALSE(defaults.stringForKey(QStringLiteral("flag")).has_value());
    EXPECT_FALSE(defaults.dataForKey(QStringLiteral("flag")).has_value());
    EXPECT_EQ(defaults.objectForKey(QStringLiteral("flag")), QVariant(qlonglong(1)));

    EXPECT_EQ(defaults.dataForKey(QStringLiteral("bytes")), QByteArray("\x00\x01\xff", 3));
    EXPECT_FALSE(defaults.stringForKey(QStringLiteral("bytes")).has_value());
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("bytes")));
}

TEST_F(UserDefaultsTest, EmptyValuesArePresentAndStayEmpty)
{
    UserDefaults defaults(pathIn(QStringLiteral("defaults.sqlite3")));
    ASSERT_TRUE(defaults.setString(QStringLiteral("name"), QString()));
    ASSERT_TRUE(defaults.setData(QStringLiteral("blob"), QByteArray()));

    EXPECT_TRUE(defaults.contains(QStringLiteral("name")));
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("name")), QString(QLatin1String("")));
    EXPECT_TRUE(defaults.contains(QStringLiteral("blob")));
    EXPECT_EQ(defaults.dataForKey(QStringLiteral("blob")), QByteArray());
}

TEST_F(UserDefaultsTest, ReadsBooleansFromNumbersAndTexts)
{
    UserDefaults defaults(pathIn(QStringLiteral("defaults.sqlite3")));
    const struct
    {
        QVariant stored;
        bool expected;
    } cases[] = {
        { QVariant(true), true },
        { QVariant(false), false },
        { QVariant(qlonglong(2)), true },
        { QVariant(qlonglong(0)), false },
        { QVariant(0.5), true },
        { QVariant(0.0), false },
        { QVariant(QStringLiteral("true")), true },
        { QVariant(QStringLiteral("YES")), true },
        { QVariant(QStringLiteral("1")), true },
        { QVariant(QStringLiteral("  +007")), true },
        { QVariant(QStringLiteral("false")), false },
        { QVariant(QStringLiteral("NO")), false },
        { QVariant(QStringLiteral("0")), false },
        { QVariant(QStringLiteral("")), false },
        { QVariant(QStringLiteral("maybe")), false },
        { QVariant(QByteArray("1")), false },
    };
    for (const auto &testCase : cases) {
        ASSERT_TRUE(defaults.setObject(QStringLiteral("key"), testCase.stored));
        EXPECT_EQ(defaults.boolForKey(QStringLiteral("key")), testCase.expected)
            << testCase.stored.toString().toStdString();
    }
}

TEST_F(UserDefaultsTest, OverwriteChangesKindAndRemoveForgets)
{
    UserDefaults defaults(pathIn(QStringLiteral("defaults.sqlite3")));
    ASSERT_TRUE(defaults.setString(QStringLiteral("key"), QStringLiteral("text")));
    ASSERT_TRUE(defaults.setData(QStringLiteral("key"), QByteArray("data")));
    EXPECT_FALSE(defaults.stringForKey(QStringLiteral("key")).has_value());
    EXPECT_EQ(defaults.dataForKey(QStringLiteral("key")), QByteArray("data"));

    ASSERT_TRUE(defaults.setObject(QStringLiteral("key"), QVariant()));
    EXPECT_FALSE(defaults.contains(QStringLiteral("key")));

    ASSERT_TRUE(defaults.setBool(QStringLiteral("other"), false));
    ASSERT_TRUE(defaults.removeObject(QStringLiteral("other")));
    EXPECT_FALSE(defaults.contains(QStringLiteral("other")));
    EXPECT_TRUE(defaults.removeObject(QStringLiteral("never-there")));
}

TEST_F(UserDefaultsTest, LargeDataIsReadBackWithoutASecondCopy)
{
    UserDefaults defaults(pathIn(QStringLiteral("defaults.sqlite3")));
    const QByteArray large(32 * 1024 * 1024, 'x');
    ASSERT_TRUE(defaults.setData(QStringLiteral("large"), large));

    sqlite3_memory_highwater(1); // from here on
    EXPECT_EQ(defaults.dataForKey(QStringLiteral("large")), large);
    EXPECT_LT(sqlite3_memory_highwater(0), 8 * 1024 * 1024);
}

TEST_F(UserDefaultsTest, AnotherProcessReadsEveryValueBack)
{
    const QString path = pathIn(QStringLiteral("defaults.sqlite3"));
    QByteArray large(9 * 1024 * 1024 + 17, Qt::Uninitialized); // spans several write pieces
    for (qsizetype i = 0; i < large.size(); ++i)
        large[i] = char((i * 7919) % 251);
    {
        UserDefaults defaults(path);
        ASSERT_TRUE(defaults.setString(QStringLiteral("userName"), QStringLiteral("Zoë")));
        ASSERT_TRUE(defaults.setString(QStringLiteral("empty"), QString()));
        ASSERT_TRUE(defaults.setBool(QStringLiteral("on"), true));
        ASSERT_TRUE(defaults.setBool(QStringLiteral("off"), false));
        ASSERT_TRUE(defaults.setData(QStringLiteral("small"), QByteArray("\x00zero", 5)));
        ASSERT_TRUE(defaults.setData(QStringLiteral("large"), large));
    }

    QProcess dump;
    dump.start(QStringLiteral(DEFAULTS_DUMP),
        { path, QStringLiteral("userName"), QStringLiteral("empty"), QStringLiteral("on"),
            QStringLiteral("off"), QStringLiteral("small"), QStringLiteral("large"),
            QStringLiteral("missing") });
    ASSERT_TRUE(dump.waitForFinished(20000));
    ASSERT_EQ(dump.exitCode(), 0);
    const QStringList lines
        = QString::fromUtf8(dump.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList expected = {
        QStringLiteral("userName=string:Zoë"),
        QStringLiteral("empty=string:"),
        QStringLiteral("on=bool:true"),
        QStringLiteral("off=bool:false"),
        QStringLiteral("small=data:") + QString::fromLatin1(QByteArray("\x00zero", 5).toBase64()),
        QStringLiteral("large=data:") + QString::fromLatin1(large.toBase64()),
        QStringLiteral("missing=absent"),
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(UserDefaultsTest, CreatesPrivateFileInPrivateFolder)
{
    const QString path = pathIn(QStringLiteral("config/Pexilo/defaults.sqlite3"));
    UserDefaults defaults(path);
    ASSERT_TRUE(defaults.setString(QStringLiteral("apiKey"), QStringLiteral("sk-secret")));
    EXPECT_EQ(modeOf(path), 0600);
    EXPECT_EQ(modeOf(QFileInfo(path).absolutePath()), 0700);
    // The write-ahead log beside it, which holds what is written first.
    for (const char *sidecar : { "-wal", "-shm" }) {
        ASSERT_TRUE(QFileInfo::exists(path + QLatin1String(sidecar))) << sidecar;
        EXPECT_EQ(modeOf(path + QLatin1String(sidecar)), 0600) << sidecar;
    }
}

TEST_F(UserDefaultsTest, StandardStoreLivesUnderTheConfigHome)
{
    EXPECT_EQ(UserDefaults::standardPath(),
        qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Pexilo/defaults.sqlite3"));
    ASSERT_TRUE(UserDefaults::standard().setBool(QStringLiteral("probe"), true));
    EXPECT_TRUE(QFileInfo::exists(UserDefaults::standardPath()));
}

TEST_F(UserDefaultsTest, UnreadableFileIsSetAsideAndANewStoreStarts)
{
    const QString path = pathIn(QStringLiteral("defaults.sqlite3"));
    const QByteArray garbage
        = QByteArray("this is not a database, but it may be someone's data\n").repeated(200);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }

    LogCapture log;
    UserDefaults defaults(path);
    ASSERT_TRUE(defaults.setString(QStringLiteral("userName"), QStringLiteral("Ada")));
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("userName")), QStringLiteral("Ada"));

    const QStringList aside
        = QDir(m_dir.path()).entryList({ QStringLiteral("defaults.sqlite3.unreadable-*") });
    ASSERT_EQ(aside.size(), 1);
    QFile kept(m_dir.filePath(aside.first()));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), garbage);

    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith(QStringLiteral("⚠️")));
    EXPECT_TRUE(log.lines().first().contains(aside.first()));
}

TEST_F(UserDefaultsTest, FailedWriteIsLoggedAndKeepsTheOldValue)
{
    const QString path = pathIn(QStringLiteral("defaults.sqlite3"));
    UserDefaults defaults(path);
    ASSERT_TRUE(defaults.setString(QStringLiteral("userName"), QStringLiteral("old")));
    ASSERT_TRUE(defaults.setData(QStringLiteral("blob"), QByteArray("old bytes")));

    // Another program holds the file locked for writing.
    sqlite3 *other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    LogCapture log;
    EXPECT_FALSE(defaults.setString(QStringLiteral("userName"), QStringLiteral("new")));
    EXPECT_FALSE(defaults.setData(QStringLiteral("blob"), QByteArray("new bytes")));
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    ASSERT_EQ(log.lines().size(), 2);
    for (const QString &line : log.lines()) {
        EXPECT_TRUE(line.startsWith(QStringLiteral("❌"))) << line.toStdString();
        EXPECT_TRUE(line.endsWith(QStringLiteral(": database is locked"))) << line.toStdString();
    }
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("userName")), QStringLiteral("old"));
    EXPECT_EQ(defaults.dataForKey(QStringLiteral("blob")), QByteArray("old bytes"));
}

TEST_F(UserDefaultsTest, StoreThatCannotBeOpenedFailsQuietly)
{
    QFile blocker(pathIn(QStringLiteral("not-a-folder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    LogCapture log;
    UserDefaults defaults(pathIn(QStringLiteral("not-a-folder/defaults.sqlite3")));
    EXPECT_FALSE(defaults.setBool(QStringLiteral("flag"), true));
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("flag")));
    EXPECT_FALSE(defaults.contains(QStringLiteral("flag")));
    EXPECT_TRUE(defaults.valueForKey(QStringLiteral("flag")).isFailure());
    ASSERT_FALSE(log.lines().isEmpty());
    EXPECT_TRUE(log.lines().first().startsWith(QStringLiteral("❌")));
}

TEST_F(UserDefaultsTest, APipeWhereTheFileShouldBeIsAFailureNotAWait)
{
    const QString pipe = pathIn(QStringLiteral("defaults.sqlite3"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString link = pathIn(QStringLiteral("linked/defaults.sqlite3"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(link).absolutePath()));
    ASSERT_TRUE(QFile::link(pipe, link));

    for (const QString &path : { pipe, link }) {
        SCOPED_TRACE(path.toStdString());
        LogCapture log;
        UserDefaults defaults(path);
        const StoredValue value = defaults.valueForKey(QStringLiteral("flag"));
        ASSERT_TRUE(value.isFailure());
        EXPECT_EQ(value.failureReason(), QStringLiteral("it is not a regular file"));
        EXPECT_FALSE(defaults.setBool(QStringLiteral("other"), true));
        ASSERT_FALSE(log.lines().isEmpty());
        EXPECT_TRUE(log.lines().first().startsWith(QStringLiteral("❌ Could not open the settings store")));
        EXPECT_TRUE(QFileInfo(pipe).exists());
    }
}

TEST_F(UserDefaultsTest, ReplacedAndRemovedValuesAreErasedFromTheFile)
{
    const QString path = pathIn(QStringLiteral("defaults.sqlite3"));
    UserDefaults defaults(path);
    const struct
    {
        const char *replacement;
        std::function<bool()> replace;
    } cases[] = {
        { "longer data", [&] { return defaults.setData(QStringLiteral("key"), QByteArray(100, 'x')); } },
        { "a text", [&] { return defaults.setString(QStringLiteral("key"), QStringLiteral("sk-new-key")); } },
        { "nothing", [&] { return defaults.removeObject(QStringLiteral("key")); } },
    };
    for (const auto &testCase : cases) {
        SCOPED_TRACE(testCase.replacement);
        ASSERT_TRUE(defaults.setData(QStringLiteral("key"), QByteArray("sk-old-secret-1234")));
        ASSERT_TRUE(fileContents(path).contains("sk-old-secret-1234"));
        ASSERT_TRUE(testCase.replace());
        EXPECT_FALSE(fileContents(path).contains("sk-old-secret-1234"));
        EXPECT_FALSE(fileContents(path + QStringLiteral("-wal")).contains("sk-old-secret-1234"));
    }
}

TEST_F(UserDefaultsTest, AWriteCutOffByAKillLeavesTheOldOrTheNewValue)
{
    const QString path = pathIn(QStringLiteral("defaults.sqlite3"));
    const qsizetype size = 24 * 1024 * 1024;
    const QByteArray first(size, 'a');
    const QByteArray second(size + 4097, 'b');
    int cutOffMidWrite = 0;
    // Kills at growing delays, until at least one landed in the middle of a
    // write (nearly always each of them).
    for (int attempt = 0; attempt < 6 || (cutOffMidWrite == 0 && attempt < 60); ++attempt) {
        SCOPED_TRACE(attempt);
        // The writer stores the two values in turn, without a pause.
        QProcess writer;
        writer.start(
            QStringLiteral(DEFAULTS_WRITER), { path, QStringLiteral("value"), QString::number(size) });
        QByteArray output;
        while (!output.contains("saved") && writer.waitForReadyRead(30000))
            output += writer.readAllStandardOutput(); // the first value is stored
        ASSERT_TRUE(output.contains("saved"));
        QThread::msleep((attempt % 12) * 7);
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(30000));
        output += writer.readAllStandardOutput();
        if (output.trimmed().endsWith("writing"))
            ++cutOffMidWrite;

        for (const char *sidecar : { "-wal", "-shm", "-journal" }) {
            if (QFileInfo::exists(path + QLatin1String(sidecar))) {
                EXPECT_EQ(modeOf(path + QLatin1String(sidecar)), 0600) << sidecar;
            }
        }
        UserDefaults reopened(path);
        const std::optional<QByteArray> value = reopened.dataForKey(QStringLiteral("value"));
        ASSERT_TRUE(value.has_value());
        EXPECT_TRUE(*value == first || *value == second) << "a value of " << value->size() << " bytes";
    }
    EXPECT_GT(cutOffMidWrite, 0);
}

TEST_F(UserDefaultsTest, AReadWaitsForAFileLockedForAWhile)
{
    const QString path = pathIn(QStringLiteral("defaults.sqlite3"));
    {
        UserDefaults before(path);
        ASSERT_TRUE(before.setString(QStringLiteral("userName"), QStringLiteral("Ada")));
    }
    LogCapture log;
    {
        // Another program in the middle of a write holds up no read.
        UserDefaults defaults(path);
        ASSERT_TRUE(defaults.contains(QStringLiteral("userName")));
        sqlite3 *writer = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &writer), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE; UPDATE defaults SET value = 'Bob'", nullptr, nullptr,
                      nullptr),
            SQLITE_OK);
        EXPECT_EQ(defaults.stringForKey(QStringLiteral("userName")), QStringLiteral("Ada"));
        sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(writer);
    }

    // One that keeps the whole file to itself for a while is waited for.
    DatabaseLock other(path);
    ASSERT_TRUE(other.isHeld());
    other.releaseAfter(std::chrono::milliseconds(1500));
    UserDefaults defaults(path);
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("userName")), QStringLiteral("Ada"));
    EXPECT_TRUE(log.lines().isEmpty());
}

// A read that fails is no absent value: nothing may be written in place of
// what could not be read, until it has been read. A file that could not be
// opened is opened at the next use.
TEST_F(UserDefaultsTest, AFailedReadIsReportedAndItsValueIsNotReplaced)
{
    const QString path = pathIn(QStringLiteral("defaults.sqlite3"));
    {
        UserDefaults before(path);
        ASSERT_TRUE(before.setString(QStringLiteral("apiKey"), QStringLiteral("sk-kept")));
    }
    DatabaseLock other(path);
    ASSERT_TRUE(other.isHeld());
    LogCapture log;
    UserDefaults defaults(path);
    const StoredValue value = defaults.valueForKey(QStringLiteral("apiKey"));
    EXPECT_TRUE(value.isFailure());
    EXPECT_FALSE(value.isAbsent());
    EXPECT_EQ(value.failureReason(), QStringLiteral("database is locked"));
    EXPECT_FALSE(defaults.stringForKey(QStringLiteral("apiKey")).has_value());
    other.release();
    ASSERT_GE(log.lines().size(), 2);
    EXPECT_EQ(log.lines().mid(0, 2),
        QStringList({ QStringLiteral("❌ Could not open the settings store %1: database is locked").arg(path),
            QStringLiteral("❌ Could not read \"apiKey\" from the settings store %1: database is locked")
                .arg(path) }));

    // The file is free again, but what was not read is not written over.
    log.clear();
    EXPECT_FALSE(defaults.setString(QStringLiteral("apiKey"), QString()));
    EXPECT_FALSE(defaults.removeObject(QStringLiteral("apiKey")));
    EXPECT_EQ(log.lines(),
        QStringList(2,
            QStringLiteral(
                "❌ Could not save \"apiKey\" in the settings store %1: its stored value could not be "
                "read, so it is not replaced")
                .arg(path)));
    EXPECT_TRUE(
        defaults.setString(QStringLiteral("userName"), QStringLiteral("Ada"))); // other keys are written

    // Once read, a key is written as usual.
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("apiKey")), QStringLiteral("sk-kept"));
    EXPECT_TRUE(defaults.setString(QStringLiteral("apiKey"), QStringLiteral("sk-new")));
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("apiKey")), QStringLiteral("sk-new"));
    EXPECT_TRUE(QDir(m_dir.path()).entryList({ QStringLiteral("*.unreadable-*") }).isEmpty());
}

// Several values in one write: each stored as setObject stores it, a key
// whose value could not be read left out (and said so), the others written.
TEST_F(UserDefaultsTest, SeveralValuesAreWrittenTogetherAndAnUnreadKeyIsLeftOut)
{
    const QString path = pathIn(QStringLiteral("defaults.sqlite3"));
    {
        UserDefaults before(path);
        ASSERT_TRUE(before.setString(QStringLiteral("apiKey"), QStringLiteral("sk-kept")));
        ASSERT_TRUE(before.setString(QStringLiteral("gone"), QStringLiteral("soon")));
    }
    UserDefaults defaults(path);
    {
        DatabaseLock other(path);
        ASSERT_TRUE(other.isHeld());
        LogCapture quiet;
        EXPECT_TRUE(defaults.valueForKey(QStringLiteral("apiKey")).isFailure());
    }

    LogCapture log;
    QStringList notWritten;
    EXPECT_FALSE(defaults.setObjects(
        { { QStringLiteral("userName"), QString() }, { QStringLiteral("apiKey"), QString() },
            { QStringLiteral("flag"), true }, { QStringLiteral("blob"), QByteArray("bytes") },
            { QStringLiteral("gone"), QVariant() } },
        &notWritten));
    EXPECT_EQ(notWritten, QStringList(QStringLiteral("apiKey")));
    EXPECT_EQ(log.lines(),
        QStringList(QStringLiteral("❌ Could not save \"apiKey\" in the settings store %1: its stored value "
                                   "could not be read, so it is not replaced")
                        .arg(path)));
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("userName")), QString(QLatin1String("")));
    EXPECT_EQ(defaults.objectForKey(QStringLiteral("flag")), QVariant(qlonglong(1)));
    EXPECT_EQ(defaults.dataForKey(QStringLiteral("blob")), QByteArray("bytes"));
    EXPECT_FALSE(defaults.contains(QStringLiteral("gone")));
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("apiKey")), QStringLiteral("sk-kept"));

    EXPECT_TRUE(defaults.setObjects({ { QStringLiteral("apiKey"), QStringLiteral("sk-new") } }));
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("apiKey")), QStringLiteral("sk-new"));
}

// The keys a start needs, read as one: each value or its absence, all from
// the same moment; a failure fails them all, and none of them is written
// over until read.
TEST_F(UserDefaultsTest, SeveralKeysAreReadAsOne)
{
    const QString path = pathIn(QStringLiteral("defaults.sqlite3"));
    const QStringList keys = { QStringLiteral("flag"), QStringLiteral("name"), QStringLiteral("bytes"),
        QStringLiteral("missing") };
    {
        UserDefaults before(path);
        ASSERT_TRUE(before.setBool(QStringLiteral("flag"), true));
        ASSERT_TRUE(before.setString(QStringLiteral("name"), QStringLiteral("Ada")));
        ASSERT_TRUE(before.setData(QStringLiteral("bytes"), QByteArray(70000, 'b')));

        const StoredValues values = before.valuesForKeys(keys);
        ASSERT_FALSE(values.isFailure());
        EXPECT_TRUE(values.value(QStringLiteral("flag")).toBool());
        EXPECT_EQ(values.value(QStringLiteral("name")).text(), QStringLiteral("Ada"));
        EXPECT_EQ(values.value(QStringLiteral("bytes")).value(), QVariant(QByteArray(70000, 'b')));
        EXPECT_TRUE(values.value(QStringLiteral("missing")).isAbsent());
    }

    // Another program keeps the file to itself from before the next start.
    UserDefaults defaults(path);
    DatabaseLock other(path);
    ASSERT_TRUE(other.isHeld());
    LogCapture log;
    StoredValues failed;
    {
        const StoreWaitLimit wait;
        failed = defaults.valuesForKeys(keys);
    }
    EXPECT_TRUE(failed.isFailure());
    EXPECT_TRUE(failed.isBusy());
    EXPECT_TRUE(failed.value(QStringLiteral("missing")).isFailure())
        << "a failed read says nothing is absent";
    EXPECT_EQ(log.lines().last(),
        QStringLiteral(
            "❌ Could not read \"flag\", \"name\", \"bytes\", \"missing\" from the settings store %1: "
            "database is locked")
            .arg(path));
    other.release();
    log.clear();
    EXPECT_FALSE(defaults.setBool(QStringLiteral("flag"), false));
    EXPECT_TRUE(log.lines().value(0).endsWith(
        QStringLiteral("its stored value could not be read, so it is not replaced")));
}

// A disk that is full when no index of shared memory is there yet fails
// every read: that is a failure, never a value or its absence.
TEST_F(UserDefaultsTest, AFullDiskFailsEveryReadAndNothingReadsAsAbsent)
{
    const QString path = pathIn(QStringLiteral("defaults.sqlite3"));
    {
        UserDefaults before(path);
        ASSERT_TRUE(before.setBool(QStringLiteral("hasCompletedOnboarding"), true));
    }
    ASSERT_FALSE(QFileInfo::exists(path + QStringLiteral("-shm")));

    LogCapture log;
    UserDefaults defaults(path);
    {
        const SqliteDiskFault full(SqliteDiskFault::Kind::Full);
        const StoredValue flag = defaults.valueForKey(QStringLiteral("hasCompletedOnboarding"));
        EXPECT_TRUE(flag.isFailure());
        EXPECT_FALSE(flag.isBusy()) << "a full disk is no busy file";
        EXPECT_FALSE(flag.isAbsent());
        EXPECT_TRUE(defaults.valuesForKeys({ QStringLiteral("hasCompletedOnboarding") }).isFailure());
        EXPECT_FALSE(defaults.setBool(QStringLiteral("hasCompletedOnboarding"), false));
    }
    ASSERT_FALSE(log.lines().isEmpty());
    EXPECT_TRUE(log.lines().first().startsWith(QStringLiteral("❌")));
    EXPECT_TRUE(QDir(m_dir.path()).entryList({ QStringLiteral("*.unreadable-*") }).isEmpty())
        << "a full disk is no damage";

    // Once there is room again, it reads as before.
    EXPECT_TRUE(defaults.boolForKey(QStringLiteral("hasCompletedOnboarding")));
}

// A value moved out of the store goes to a file of its own, and the store
// keeps no copy of it: it does not grow, and no byte of it stays behind.
TEST_F(UserDefaultsTest, AValueMovesToAFileAndLeavesNoBytesBehind)
{
    const QString path = pathIn(QStringLiteral("defaults.sqlite3"));
    UserDefaults defaults(path);
    QByteArray large(20 * 1024 * 1024 + 5, Qt::Uninitialized);
    for (qsizetype i = 0; i < large.size(); ++i)
        large[i] = char((i * 7919 + i / 4099) % 251);
    ASSERT_TRUE(defaults.setData(QStringLiteral("SavedConversations"), large));
    ASSERT_TRUE(defaults.setString(QStringLiteral("userName"), QStringLiteral("Ada")));
    const qint64 sizeBefore = QFileInfo(path).size();

    const QString file = pathIn(QStringLiteral("SavedConversations.unreadable-20240315-090000"));
    QString error;
    ASSERT_TRUE(defaults.moveValueToFile(QStringLiteral("SavedConversations"), file, &error))
        << error.toStdString();
    EXPECT_EQ(fileContents(file), large);
    EXPECT_EQ(modeOf(file), 0600);
    EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral(".part")));
    EXPECT_FALSE(defaults.contains(QStringLiteral("SavedConversations")));
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("userName")), QStringLiteral("Ada"));

    EXPECT_LE(QFileInfo(path).size(), sizeBefore);
    const QByteArray store = fileContents(path) + fileContents(path + QStringLiteral("-wal"));
    for (const qsizetype at : { qsizetype(0), qsizetype(5 * 1024 * 1024), large.size() - 64 })
        EXPECT_FALSE(store.contains(large.mid(at, 64))) << "bytes at " << at;

    // A text is moved as UTF-8; nothing under the key, or a file that
    // cannot be written, moves nothing.
    ASSERT_TRUE(defaults.setString(QStringLiteral("text"), QStringLiteral("Grüße")));
    ASSERT_TRUE(defaults.moveValueToFile(QStringLiteral("text"), pathIn(QStringLiteral("text"))));
    EXPECT_EQ(fileContents(pathIn(QStringLiteral("text"))), QStringLiteral("Grüße").toUtf8());
    LogCapture log;
    EXPECT_FALSE(defaults.moveValueToFile(QStringLiteral("text"), pathIn(QStringLiteral("again"))));
    EXPECT_FALSE(QFileInfo::exists(pathIn(QStringLiteral("again"))));
    ASSERT_TRUE(defaults.setString(QStringLiteral("kept"), QStringLiteral("here")));
    EXPECT_FALSE(defaults.moveValueToFile(QStringLiteral("kept"), pathIn(QStringLiteral("no-folder/file"))));
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("kept")), QStringLiteral("here"));
}
