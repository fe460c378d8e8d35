#include "platform/SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

namespace {

// A later start runs in a process of its own and blocks while it waits for
// the answer; a thread stands in for it so that this one can answer.
bool askFromAnotherThread(SingleInstance &second, int timeoutMs = 5000)
{
    bool answered = false;
    std::unique_ptr<QThread> thread(
        QThread::create([&] { answered = second.askFirstToOpenPanel(timeoutMs); }));
    thread->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return thread->isFinished(); }, timeoutMs + 2000));
    thread->wait();
    return answered;
}

int modeOf(const QString &path)
{
    struct stat status = {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

class SingleInstanceTest : public ::testing::Test
{
protected:
    QTemporaryDir m_runtime;
    const QString m_key = QStringLiteral("/home/ada/.config");
};

} // namespace

TEST_F(SingleInstanceTest, ASecondStartAsksTheFirstToOpenItsPanel)
{
    SingleInstance first(m_runtime.path(), m_key);
    ASSERT_EQ(first.claim(), SingleInstance::Claim::First);
    QSignalSpy requested(&first, &SingleInstance::openPanelRequested);

    SingleInstance second(m_runtime.path(), m_key);
    ASSERT_EQ(second.claim(), SingleInstance::Claim::Second);
    EXPECT_TRUE(askFromAnotherThread(second));
    EXPECT_EQ(requested.count(), 1);

    // Another configuration folder is another instance.
    SingleInstance other(m_runtime.path(), QStringLiteral("/home/ada/other-config"));
    EXPECT_EQ(other.claim(), SingleInstance::Claim::First);
}

TEST_F(SingleInstanceTest, TheLockAndTheSocketLiveInThePrivateRuntimeFolder)
{
    SingleInstance first(m_runtime.path(), m_key);
    ASSERT_EQ(first.claim(), SingleInstance::Claim::First);
    for (const QString &path : { first.socketPath(), first.lockPath() }) {
        const QFileInfo file(path);
        EXPECT_TRUE(file.exists()) << path.toStdString();
        EXPECT_EQ(file.absolutePath(), QFileInfo(m_runtime.path()).absoluteFilePath());
        EXPECT_FALSE(file.permissions() & (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup))
            << path.toStdString();
    }
}

TEST_F(SingleInstanceTest, WhenTheFirstIsGoneTheNextStartIsFirstDespiteItsLeftovers)
{
    QString socketPath;
    {
        SingleInstance gone(m_runtime.path(), m_key);
        ASSERT_EQ(gone.claim(), SingleInstance::Claim::First);
        socketPath = gone.socketPath();
    }
    // What a killed process leaves: the lock file (unlocked) and a socket
    // file nobody listens on.
    QFile leftover(socketPath);
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();

    SingleInstance next(m_runtime.path(), m_key);
    ASSERT_EQ(next.claim(), SingleInstance::Claim::First);
    QSignalSpy requested(&next, &SingleInstance::openPanelRequested);
    SingleInstance later(m_runtime.path(), m_key);
    ASSERT_EQ(later.claim(), SingleInstance::Claim::Second);
    EXPECT_TRUE(askFromAnotherThread(later));
    EXPECT_EQ(requested.count(), 1);
}

TEST_F(SingleInstanceTest, AFirstThatDoesNotAnswerIsReportedAfterTheTimeOut)
{
    SingleInstance first(m_runtime.path(), m_key);
    ASSERT_EQ(first.claim(), SingleInstance::Claim::First);
    SingleInstance second(m_runtime.path(), m_key);
    ASSERT_EQ(second.claim(), SingleInstance::Claim::Second);
    // No event loop runs here while the second waits: the first never answers.
    EXPECT_FALSE(second.askFirstToOpenPanel(300));
}

TEST_F(SingleInstanceTest, OtherTalkOnTheSocketIsDropped)
{
    SingleInstance first(m_runtime.path(), m_key);
    ASSERT_EQ(first.claim(), SingleInstance::Claim::First);
    QSignalSpy requested(&first, &SingleInstance::openPanelRequested);

    for (const QByteArray &talk : { QByteArray("quit\n"), QByteArray(4096, 'x'), QByteArray("open-panel") }) {
        QLocalSocket socket;
        socket.connectToServer(first.socketPath());
        ASSERT_TRUE(socket.waitForConnected(2000));
        socket.write(talk);
        // Answered by a hang-up, at once or after the first's time-out.
        EXPECT_TRUE(QTest::qWaitFor([&] { return socket.state() == QLocalSocket::UnconnectedState; }, 5000))
            << talk.left(20).toStdString();
        EXPECT_TRUE(socket.readAll().isEmpty());
    }
    EXPECT_EQ(requested.count(), 0);
}

TEST_F(SingleInstanceTest, WithoutARuntimeFolderThereIsNoGuard)
{
    SingleInstance nowhere(QString(), m_key);
    EXPECT_EQ(nowhere.claim(), SingleInstance::Claim::Unguarded);

    SingleInstance missing(m_runtime.filePath(QStringLiteral("no-such-folder")), m_key);
    EXPECT_EQ(missing.claim(), SingleInstance::Claim::Unguarded);

    // A socket's path has room for about a hundred bytes: a deeper folder
    // takes the lock but cannot listen, and must not keep later starts
    // waiting for an answer that never comes.
    const QString deep = m_runtime.filePath(QString(120, QLatin1Char('d')));
    ASSERT_TRUE(QDir().mkpath(deep));
    SingleInstance first(deep, m_key);
    EXPECT_EQ(first.claim(), SingleInstance::Claim::Unguarded);
    SingleInstance second(deep, m_key);
    EXPECT_EQ(second.claim(), SingleInstance::Claim::Unguarded);
}

// Another login session over the same home: a runtime folder of its own, the
// same configuration folder.
TEST_F(SingleInstanceTest, AStartWithAnotherRuntimeFolderFindsTheFirstThroughTheConfigurationFolder)
{
    QTemporaryDir otherRuntime;
    QTemporaryDir home;
    const QString configFolder = home.filePath(QStringLiteral("config/Pexilo"));

    SingleInstance first(m_runtime.path(), m_key, configFolder);
    ASSERT_EQ(first.claim(), SingleInstance::Claim::First);
    QSignalSpy requested(&first, &SingleInstance::openPanelRequested);
    // Made private when missing, as the settings store makes it.
    EXPECT_EQ(modeOf(configFolder), 0700);
    EXPECT_EQ(modeOf(first.configLockPath()), 0600);

    SingleInstance second(otherRuntime.path(), m_key, configFolder);
    ASSERT_EQ(second.claim(), SingleInstance::Claim::Elsewhere);
    EXPECT_EQ(second.socketPath(), first.socketPath());
    EXPECT_TRUE(askFromAnotherThread(second));
    EXPECT_EQ(requested.count(), 1);

    // The start that found the first holds nothing in its own runtime folder.
    SingleInstance unguardedByConfig(otherRuntime.path(), m_key);
    EXPECT_EQ(unguardedByConfig.claim(), SingleInstance::Claim::First);
}

TEST_F(SingleInstanceTest, AFirstThatCannotBeReachedFromAnotherRuntimeFolderIsReportedSoon)
{
    QTemporaryDir otherRuntime;
    QTemporaryDir home;
    const QString configFolder = home.filePath(QStringLiteral("Pexilo"));
    // A first that listens nowhere this start can reach: no runtime folder
    // (and so no socket) of its own, as on another machine with the same home.
    auto first = std::make_unique<SingleInstance>(QString(), m_key, configFolder);
    ASSERT_EQ(first->claim(), SingleInstance::Claim::First);

    SingleInstance second(otherRuntime.path(), m_key, configFolder);
    ASSERT_EQ(second.claim(), SingleInstance::Claim::Elsewhere);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(second.askFirstToOpenPanel(10000));
    EXPECT_LT(clock.elapsed(), 8000);

    // Once the first has ended, the next start is the first.
    first.reset();
    SingleInstance next(otherRuntime.path(), m_key, configFolder);
    EXPECT_EQ(next.claim(), SingleInstance::Claim::First);
}
