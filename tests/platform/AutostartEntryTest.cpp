#include "platform/AutostartEntry.h"

#include "support/DesktopEntryCheck.h"
#include "support/LogCapture.h"
#include "support/ReadOnlyFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Each case gets a configuration folder of its own.
class AutostartEntryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid());
        m_previous = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", m_previous); }

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_config;
    QByteArray m_previous;
};

QString execLine(const QString &entry)
{
    for (const QString &line : entry.split(u'\n')) {
        if (line.startsWith(QLatin1String("Exec=")))
            return line.mid(5);
    }
    return {};
}

} // namespace

TEST_F(AutostartEntryTest, LivesInTheUsersAutostartFolder)
{
    EXPECT_EQ(AutostartEntry::path(), m_config.path() + QStringLiteral("/autostart/pexilo.desktop"));
}

TEST_F(AutostartEntryTest, ExecQuotesWhatTheFormatReserves)
{
    const struct
    {
        const char *executable;
        const char *exec;
    } cases[] = {
        { "/usr/bin/pexilo", "/usr/bin/pexilo" },
        { "/opt/My Apps/pexilo", "\"/opt/My Apps/pexilo\"" },
        { "/home/a$b/pexilo", "\"/home/a\\\\$b/pexilo\"" },
        { "/tmp/say \"hi\"/pexilo", "\"/tmp/say \\\\\"hi\\\\\"/pexilo\"" },
        { "/tmp/back\\slash/pexilo", "\"/tmp/back\\\\\\\\slash/pexilo\"" },
        { "/tmp/100%/pexilo", "/tmp/100%%/pexilo" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.executable);
        EXPECT_EQ(
            execLine(AutostartEntry::contents(QString::fromUtf8(c.executable))), QString::fromUtf8(c.exec));
    }
    EXPECT_TRUE(AutostartEntry::contents(QStringLiteral("/tmp/line\nbreak/pexilo")).isEmpty());
    EXPECT_TRUE(AutostartEntry::contents(QString()).isEmpty());
}

TEST_F(AutostartEntryTest, WrittenEntriesAreValidDesktopEntries)
{
    if (!DesktopEntryCheck::validatorInstalled())
        GTEST_FAIL() << "desktop-file-validate (desktop-file-utils) is not installed";
    ASSERT_TRUE(AutostartEntry::install());
    EXPECT_EQ(DesktopEntryCheck::validationErrors(AutostartEntry::path()), QString());
    EXPECT_EQ(execLine(QString::fromUtf8(readFile(AutostartEntry::path()))),
        QCoreApplication::applicationFilePath());

    const QString awkward = m_config.path() + QStringLiteral("/awkward.desktop");
    writeFile(awkward, AutostartEntry::contents(QStringLiteral("/opt/a \"b\" $c\\d 50%/pexilo")).toUtf8());
    EXPECT_EQ(DesktopEntryCheck::validationErrors(awkward), QString());
}

TEST_F(AutostartEntryTest, TheEntryStartsTheInstalledProgramWhenThatIsTheOneRunning)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString real = root.path() + QStringLiteral("/real");
    const QString linked = root.path() + QStringLiteral("/linked");
    const QString built = root.path() + QStringLiteral("/build/pexilo");
    writeFile(real + QStringLiteral("/bin/pexilo"), "installed");
    writeFile(built, "built");
    ASSERT_TRUE(QFile::link(real, linked));
    const QString installed = real + QStringLiteral("/bin/pexilo");
    const QString installedThroughLink = linked + QStringLiteral("/bin/pexilo");
    const QString replaced = QStringLiteral(" (deleted)");

    // The running program as the kernel names it: links resolved, and
    // " (deleted)" added once its file has been replaced.
    const struct
    {
        const char *what;
        QString running;
        QString installed;
        QString expected;
    } cases[] = {
        { "the installed program", installed, installed, installed },
        { "installed through a linked folder", installed, installedThroughLink, installedThroughLink },
        { "replaced by an upgrade while it runs", installed + replaced, installedThroughLink, installedThroughLink },
        { "a build", built, installedThroughLink, built },
        { "a build replaced by a newer one", built + replaced, installedThroughLink, built },
        { "a build, nothing installed", built, root.path() + QStringLiteral("/none/bin/pexilo"), built },
        { "a build that installs nowhere", built, QString(), built },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(AutostartEntry::programFor(c.running, c.installed), c.expected);
    }
}

TEST_F(AutostartEntryTest, AProgramWhoseFileWasReplacedWhileRunningStillWritesItsEntry)
{
    // A copy of the writer, so that replacing its file leaves the build alone.
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const QString program = bin.path() + QStringLiteral("/pexilo");
    ASSERT_TRUE(QFile::copy(QStringLiteral(AUTOSTART_WRITER), program));
    QProcess writer;
    writer.setProcessChannelMode(QProcess::MergedChannels);
    writer.start(program, { program });
    ASSERT_TRUE(writer.waitForFinished(60000));
    ASSERT_EQ(writer.exitCode(), 0) << writer.readAll().toStdString();
    EXPECT_EQ(execLine(QString::fromUtf8(readFile(AutostartEntry::path()))), program);
}

TEST_F(AutostartEntryTest, InstallAndRemoveOurEntry)
{
    EXPECT_FALSE(AutostartEntry::isInstalled());
    EXPECT_TRUE(AutostartEntry::remove());

    ASSERT_TRUE(AutostartEntry::install());
    EXPECT_TRUE(AutostartEntry::isInstalled());
    ASSERT_TRUE(AutostartEntry::install());
    EXPECT_TRUE(AutostartEntry::isInstalled());

    ASSERT_TRUE(AutostartEntry::remove());
    EXPECT_FALSE(QFileInfo::exists(AutostartEntry::path()));
}

TEST_F(AutostartEntryTest, AFileTheUserWroteIsNeitherReplacedNorRemoved)
{
    const QByteArray theirs = "[Desktop Entry]\nType=Application\nName=Mine\nExec=/usr/bin/true\n";
    writeFile(AutostartEntry::path(), theirs);

    QString error;
    EXPECT_FALSE(AutostartEntry::install(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(AutostartEntry::remove());
    EXPECT_EQ(readFile(AutostartEntry::path()), theirs);
    EXPECT_FALSE(AutostartEntry::isInstalled());
}

TEST_F(AutostartEntryTest, AFailedWriteIsLoggedAndLeavesNoEntry)
{
    // A file where the folder should be: nothing can be written beneath it.
    writeFile(m_config.path() + QStringLiteral("/autostart"), "not a folder");

    LogCapture log;
    AutostartEntry::apply(true);
    EXPECT_FALSE(AutostartEntry::isInstalled());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith(QStringLiteral("❌ Failed to set up the login item: ")));

    AutostartEntry::apply(false);
    EXPECT_EQ(log.lines().size(), 1);
}

// Why a choice cannot be carried out, asked before it is stored: the folder
// is tried with a file of its own, which leaves nothing behind.
TEST_F(AutostartEntryTest, SaysWhyAChoiceCannotBeCarriedOut)
{
    const QString folder = QFileInfo(AutostartEntry::path()).absolutePath();
    EXPECT_EQ(AutostartEntry::problem(true), QString());
    EXPECT_EQ(AutostartEntry::problem(false), QString());
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());

    writeFile(AutostartEntry::path(), "[Desktop Entry]\nType=Application\nName=Mine\nExec=/usr/bin/true\n");
    EXPECT_EQ(AutostartEntry::problem(true), AutostartEntry::path() + QStringLiteral(" belongs to another program"));
    EXPECT_EQ(AutostartEntry::problem(false), QString()) << "nothing of ours to take away";
    QFile::remove(AutostartEntry::path());

    ASSERT_TRUE(AutostartEntry::install());
    {
        const ReadOnlyFolder readOnly(folder);
        if (!readOnly.isReadOnly())
            GTEST_SKIP() << "this file system lets the superuser write into any folder";
        const QString closed = QStringLiteral("the folder %1 cannot be written").arg(folder);
        EXPECT_EQ(AutostartEntry::problem(false), closed);
        EXPECT_FALSE(AutostartEntry::remove());
    }
    ASSERT_TRUE(AutostartEntry::remove());
    {
        const ReadOnlyFolder readOnly(folder);
        EXPECT_EQ(AutostartEntry::problem(true), QStringLiteral("the folder %1 cannot be written").arg(folder));
        EXPECT_EQ(AutostartEntry::problem(false), QString());
        EXPECT_FALSE(AutostartEntry::install());
    }

    writeFile(m_config.path() + QStringLiteral("/autostart-file"), "x");
    QDir(folder).removeRecursively();
    ASSERT_TRUE(QFile::rename(m_config.path() + QStringLiteral("/autostart-file"), folder));
    EXPECT_EQ(AutostartEntry::problem(true), QStringLiteral("the folder %1 cannot be created").arg(folder));
}

TEST_F(AutostartEntryTest, ALinkToAPipeOrADeviceIsNotOursAndNothingWaitsOnIt)
{
    // Neither has a writer or an end: reading them as an entry would hang.
    const QString pipe = m_config.path() + QStringLiteral("/pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const QString &target : { pipe, QStringLiteral("/dev/zero") }) {
        SCOPED_TRACE(target.toStdString());
        QFile::remove(AutostartEntry::path());
        QDir().mkpath(QFileInfo(AutostartEntry::path()).absolutePath());
        ASSERT_TRUE(QFile::link(target, AutostartEntry::path()));

        EXPECT_FALSE(AutostartEntry::isInstalled());
        EXPECT_FALSE(AutostartEntry::install());
        EXPECT_TRUE(AutostartEntry::remove());
        EXPECT_EQ(QFileInfo(AutostartEntry::path()).symLinkTarget(), target);
    }
}
