#include "platform/StoreWaitLimit.h"

#include "platform/ConversationTable.h"
#include "platform/UserDefaults.h"
#include "support/DatabaseLock.h"
#include "support/LogCapture.h"
#include "support/SqliteDiskFault.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <future>
#include <gtest/gtest.h>

namespace {

// Far above the limit of 100 ms, far below the 5 s a call waits without one.
constexpr qint64 wellWithinMs = 2000;

class StoreWaitLimitTest : public ::testing::Test
{
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("defaults.sqlite3")); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(StoreWaitLimitTest, ACallUnderALimitGivesUpOnALockedFileAndSaysItWasBusy)
{
    {
        UserDefaults before(path());
        ASSERT_TRUE(before.setString(QStringLiteral("userName"), QStringLiteral("Ada")));
    }
    UserDefaults defaults(path());
    ConversationTable table(defaults);
    DatabaseLock other(path());
    ASSERT_TRUE(other.isHeld());
    LogCapture log;

    const struct
    {
        const char *name;
        std::function<bool()> call;
    } calls[] = {
        { "a read", [&] { return defaults.valueForKey(QStringLiteral("userName")).isBusy(); } },
        { "a read of several keys",
            [&] { return defaults.valuesForKeys({ QStringLiteral("userName") }).isBusy(); } },
        { "a write", [&] { return !defaults.setString(QStringLiteral("other"), QStringLiteral("x")); } },
        { "several writes",
            [&] {
                return !defaults.setObjects({ { QStringLiteral("other"), true } });
            } },
        { "a conversation's save",
            [&] {
                return !table.upsert({ QStringLiteral("A"), std::nullopt, "{}", {} });
            } },
        { "the conversations' load", [&] { return !table.readAll(); } },
    };
    for (const auto &call : calls) {
        SCOPED_TRACE(call.name);
        QElapsedTimer timer;
        timer.start();
        const StoreWaitLimit wait;
        EXPECT_TRUE(call.call());
        EXPECT_LT(timer.elapsed(), wellWithinMs);
        EXPECT_TRUE(wait.busy());
    }

    // Free again: the same calls succeed, and nothing under the limit was busy.
    other.release();
    const StoreWaitLimit wait;
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("userName")), QStringLiteral("Ada"));
    EXPECT_TRUE(defaults.setString(QStringLiteral("other"), QStringLiteral("x")));
    EXPECT_TRUE(table.upsert({ QStringLiteral("A"), std::nullopt, "{}", {} }));
    EXPECT_FALSE(wait.busy());
}

// A worker of this program that waits for the locked file holds the store
// meanwhile; a call under a limit does not wait for it either.
TEST_F(StoreWaitLimitTest, ACallUnderALimitDoesNotWaitForAnotherThreadOfTheProgram)
{
    {
        UserDefaults before(path());
        ASSERT_TRUE(before.setString(QStringLiteral("userName"), QStringLiteral("Ada")));
    }
    UserDefaults defaults(path());
    DatabaseLock other(path());
    ASSERT_TRUE(other.isHeld());
    LogCapture log;

    // Without a limit, the worker waits as long as it always has, opening
    // the store.
    QElapsedTimer workerTimer;
    workerTimer.start();
    std::future<StoredValue> worker = std::async(
        std::launch::async, [&defaults] { return defaults.valueForKey(QStringLiteral("userName")); });

    QString reason;
    QElapsedTimer since;
    since.start();
    while (reason != QStringLiteral("another part of Pexilo is using the settings store")
        && since.elapsed() < 4000) {
        QElapsedTimer timer;
        timer.start();
        const StoreWaitLimit wait;
        const StoredValue value = defaults.valueForKey(QStringLiteral("userName"));
        EXPECT_LT(timer.elapsed(), wellWithinMs);
        EXPECT_TRUE(value.isBusy());
        EXPECT_TRUE(wait.busy());
        reason = value.failureReason();
    }
    EXPECT_EQ(reason, QStringLiteral("another part of Pexilo is using the settings store"));

    const StoredValue waited = worker.get();
    EXPECT_TRUE(waited.isBusy());
    EXPECT_GE(workerTimer.elapsed(), 4500) << "a worker waits 5 s";
}

TEST_F(StoreWaitLimitTest, AFailureOfAnotherKindIsNotBusy)
{
    {
        UserDefaults before(path());
        ASSERT_TRUE(before.setString(QStringLiteral("userName"), QStringLiteral("Ada")));
    }
    UserDefaults defaults(path());
    LogCapture log;
    const SqliteDiskFault unreadable(SqliteDiskFault::Kind::Unreadable);
    const StoreWaitLimit wait;
    const StoredValue value = defaults.valueForKey(QStringLiteral("userName"));
    EXPECT_TRUE(value.isFailure());
    EXPECT_FALSE(value.isBusy());
    EXPECT_FALSE(defaults.setString(QStringLiteral("other"), QStringLiteral("x")));
    EXPECT_FALSE(wait.busy());
}
