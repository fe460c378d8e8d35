#include "platform/PendingDefaults.h"

#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "support/DatabaseLock.h"
#include "support/LogCapture.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr TextSettingKey name { "userName"_L1, ""_L1 };
constexpr TextSettingKey key { "apiKey"_L1, ""_L1 };
constexpr BoolSettingKey launch { "autoLaunchAtLogin"_L1, false };

// Every write of the key fails at once for as long as this lives, the way a
// full disk makes it fail.
class RefusedKey
{
public:
    RefusedKey(const QString &path, const QString &key)
        : m_path(path)
    {
        execute(QStringLiteral("CREATE TRIGGER refused_insert BEFORE INSERT ON defaults WHEN NEW.key = '%1' "
                               "BEGIN SELECT RAISE(ABORT, 'disk full'); END;"
                               "CREATE TRIGGER refused_update BEFORE UPDATE ON defaults WHEN NEW.key = '%1' "
                               "BEGIN SELECT RAISE(ABORT, 'disk full'); END;")
                    .arg(key));
    }
    ~RefusedKey() { execute(QStringLiteral("DROP TRIGGER refused_insert; DROP TRIGGER refused_update;")); }

private:
    void execute(const QString &sql)
    {
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(m_path).constData(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    QString m_path;
};

class PendingDefaultsTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_defaults.setString(u"userName"_s, u"Old"_s)); }

    QTemporaryDir m_folder;
    UserDefaults m_defaults { m_folder.filePath(u"defaults.sqlite3"_s) };
    PendingDefaults m_pending { m_defaults };
};

} // namespace

// A write the file refuses is kept: readers see it in place of the stored
// value, a later write joins it (the file is known to refuse) and replaces
// a value of the same key, and a retry stores them once the file takes them.
TEST_F(PendingDefaultsTest, AWriteTheFileRefusesWaitsShowsAndIsStoredByARetry)
{
    QSignalSpy unsavedChanged(&m_pending, &PendingDefaults::hasUnsavedValuesChanged);
    QList<QStringList> firstStored;
    QList<QStringList> secondStored;
    {
        const RefusedKey refused(m_defaults.path(), u"userName"_s);
        EXPECT_FALSE(m_pending.setObjects({ { u"userName"_s, u"New"_s }, { u"autoLaunchAtLogin"_s, true } },
            [&](const QStringList &stored) { firstStored.append(stored); }));

        EXPECT_TRUE(m_pending.hasUnsavedValues());
        EXPECT_EQ(unsavedChanged.count(), 1);
        EXPECT_EQ(name.read(m_defaults), u"New"_s);
        EXPECT_TRUE(launch.read(m_defaults));
        EXPECT_EQ(m_defaults.stringForKey(u"userName"_s), u"Old"_s) << "the file holds what it held";
        EXPECT_FALSE(m_defaults.contains(u"autoLaunchAtLogin"_s)) << "one write: none or all of it";
        EXPECT_TRUE(firstStored.isEmpty());

        EXPECT_FALSE(m_pending.setObjects({ { u"userName"_s, u"Newer"_s }, { u"apiKey"_s, u"sk-1"_s } },
            [&](const QStringList &stored) { secondStored.append(stored); }));
        EXPECT_FALSE(m_defaults.contains(u"apiKey"_s)) << "no write of its own while a retry is due";
        EXPECT_EQ(name.read(m_defaults), u"Newer"_s);
        EXPECT_EQ(key.read(m_defaults), u"sk-1"_s);
        EXPECT_EQ(m_pending.unsavedKeys(), QStringList({ u"userName"_s, u"autoLaunchAtLogin"_s, u"apiKey"_s }));
    }

    QTRY_VERIFY_WITH_TIMEOUT(!m_pending.hasUnsavedValues(), 30000);
    EXPECT_EQ(unsavedChanged.count(), 2);
    EXPECT_EQ(m_defaults.stringForKey(u"userName"_s), u"Newer"_s);
    EXPECT_TRUE(m_defaults.boolForKey(u"autoLaunchAtLogin"_s));
    EXPECT_EQ(m_defaults.stringForKey(u"apiKey"_s), u"sk-1"_s);
    // Each write hears once, of the keys stored with its own values.
    EXPECT_EQ(firstStored, QList<QStringList>({ { u"autoLaunchAtLogin"_s } }));
    EXPECT_EQ(secondStored, QList<QStringList>({ { u"userName"_s, u"apiKey"_s } }));

    // The file free, a write is stored at once.
    EXPECT_TRUE(m_pending.setObjects({ { u"userName"_s, u"Now"_s } }));
    EXPECT_EQ(m_defaults.stringForKey(u"userName"_s), u"Now"_s);
    EXPECT_EQ(unsavedChanged.count(), 2);
}

// The store keeps a value it failed to read from being replaced by one a
// caller assumed; a value the user set replaces it all the same.
TEST_F(PendingDefaultsTest, AValueWhoseReadFailedIsReplacedByTheUsersOwn)
{
    // A store of its own, not open yet when another program takes the file.
    const QString path = m_folder.filePath(u"other.sqlite3"_s);
    {
        UserDefaults before(path);
        ASSERT_TRUE(before.setString(u"userName"_s, u"Old"_s));
    }
    UserDefaults defaults(path);
    PendingDefaults pending(defaults);
    {
        DatabaseLock other(path, DatabaseLock::Kind::ReadsAndWrites);
        ASSERT_TRUE(other.isHeld());
        LogCapture quiet;
        EXPECT_EQ(name.read(defaults), QString()) << "the read fails";
    }
    LogCapture log;
    EXPECT_FALSE(defaults.setString(u"userName"_s, u"Assumed"_s));

    EXPECT_TRUE(pending.setObjects({ { u"userName"_s, u"Chosen"_s } }));
    EXPECT_EQ(defaults.stringForKey(u"userName"_s), u"Chosen"_s);
    EXPECT_FALSE(pending.hasUnsavedValues());
}

// Quitting makes one last attempt at once, rather than at the next retry;
// what it cannot store is named in the log.
TEST_F(PendingDefaultsTest, QuittingStoresWhatWaitsOrSaysWhatIsLost)
{
    {
        const RefusedKey refused(m_defaults.path(), u"userName"_s);
        EXPECT_FALSE(m_pending.setObjects({ { u"userName"_s, u"Kept"_s } }));
    }
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QApplication::exec();
    EXPECT_EQ(m_defaults.stringForKey(u"userName"_s), u"Kept"_s);
    EXPECT_FALSE(m_pending.hasUnsavedValues());

    const RefusedKey refused(m_defaults.path(), u"userName"_s);
    EXPECT_FALSE(m_pending.setObjects({ { u"userName"_s, u"Lost"_s } }));
    LogCapture log;
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QApplication::exec();
    EXPECT_TRUE(log.lines().contains(u"❌ Settings not saved before quitting: userName"_s)) << log.lines().join(u'\n').toStdString();
    EXPECT_EQ(m_defaults.stringForKey(u"userName"_s), u"Kept"_s);
}
