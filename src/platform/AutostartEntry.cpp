#include "AutostartEntry.h"

#include "Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

// Where the program lands when installed; the build says.
#ifndef PEXILO_INSTALLED_PROGRAM
#define PEXILO_INSTALLED_PROGRAM ""
#endif

namespace {

// Characters that the Exec key's rules reserve: an argument holding one must
// be quoted.
bool needsQuoting(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    for (const QChar c : argument) {
        if (reserved.contains(c))
            return true;
    }
    return argument.isEmpty();
}

QString execArgument(const QString &argument)
{
    QString quoted = argument;
    if (needsQuoting(argument)) {
        quoted.clear();
        for (const QChar c : argument) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                quoted += u'\\';
            quoted += c;
        }
        quoted = u'"' + quoted + u'"';
    }
    // "%" starts a field code; a literal one is doubled.
    quoted.replace(u'%', QStringLiteral("%%"));
    // The value as a whole is a string of the desktop entry format, where a
    // backslash is itself escaped.
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    return quoted;
}

bool isOurs(const QString &filePath)
{
    // Only a regular file can be our entry. A link to a pipe would make the
    // open wait for a writer for ever, and one to a device such as /dev/zero
    // would be read without end.
    if (!QFileInfo(filePath).isFile())
        return false;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Ours is a few hundred bytes; the marker is not looked for further.
    constexpr qint64 entryLimit = 64 * 1024;
    const QByteArray markerLine = QByteArray(AutostartEntry::marker) + "=true";
    while (!file.atEnd() && file.pos() < entryLimit) {
        if (file.readLine(entryLimit).trimmed() == markerLine)
            return true;
    }
    return false;
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString foreignFile(const QString &target)
{
    return QStringLiteral("%1 belongs to another program").arg(target);
}

// Whether a file can be made in the folder (made first when missing).
QString folderProblem(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return QStringLiteral("the folder %1 cannot be created").arg(folder);
    QTemporaryFile probe(folder + QStringLiteral("/.pexilo-check-XXXXXX"));
    if (!probe.open())
        return QStringLiteral("the folder %1 cannot be written").arg(folder);
    return {};
}

} // namespace

QString AutostartEntry::path()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/autostart/pexilo.desktop");
}

QString AutostartEntry::contents(const QString &executable)
{
    for (const QChar c : executable) {
        if (c.category() == QChar::Other_Control)
            return {};
    }
    if (executable.isEmpty())
        return {};
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Pexilo\n"
                          "Comment=Ask about a part of your screen\n"
                          "Exec=%1\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n"
                          "%2=true\n")
        .arg(execArgument(executable), QLatin1String(marker));
}

QString AutostartEntry::programFor(const QString &running, const QString &installed)
{
    // Once the running program's file has been replaced, as an upgrade or a
    // new build does, the kernel names it "<path> (deleted)": the program to
    // start is the one at that path now.
    static const QLatin1String replaced(" (deleted)");
    QString path = running;
    if (path.endsWith(replaced) && !QFileInfo::exists(path))
        path.chop(replaced.size());
    if (installed.isEmpty() || path.isEmpty())
        return path;
    // The running path has its links resolved; the installed one is named
    // as installed, possibly through a linked folder.
    const QString installedFile = QFileInfo(installed).canonicalFilePath();
    if (path == installed || (!installedFile.isEmpty() && installedFile == QFileInfo(path).canonicalFilePath()))
        return installed;
    return path;
}

QString AutostartEntry::program()
{
    // Qt's own answer is empty once the file has been replaced; the kernel's
    // link still names the path.
    std::error_code failed;
    const std::filesystem::path running = std::filesystem::read_symlink("/proc/self/exe", failed);
    return programFor(failed ? QCoreApplication::applicationFilePath() : QFile::decodeName(running.c_str()),
        QStringLiteral(PEXILO_INSTALLED_PROGRAM));
}

bool AutostartEntry::install(QString *error)
{
    const QString text = contents(program());
    if (text.isEmpty()) {
        setError(error, QStringLiteral("the program's path cannot be written into a desktop entry"));
        return false;
    }
    const QString target = path();
    if (QFileInfo::exists(target) && !isOurs(target)) {
        setError(error, foreignFile(target));
        return false;
    }
    if (!QDir().mkpath(QFileInfo(target).absolutePath())) {
        setError(error, QStringLiteral("cannot create %1").arg(QFileInfo(target).absolutePath()));
        return false;
    }
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        setError(error, file.errorString());
        return false;
    }
    return true;
}

bool AutostartEntry::remove(QString *error)
{
    const QString target = path();
    if (!QFileInfo::exists(target) || !isOurs(target))
        return true;
    QFile file(target);
    if (!file.remove()) {
        setError(error, file.errorString());
        return false;
    }
    return true;
}

bool AutostartEntry::isInstalled()
{
    return isOurs(path());
}

QString AutostartEntry::problem(bool launchAtLogin)
{
    const QString target = path();
    const QString folder = QFileInfo(target).absolutePath();
    if (!launchAtLogin)
        return isOurs(target) ? folderProblem(folder) : QString();
    if (contents(QCoreApplication::applicationFilePath()).isEmpty())
        return QStringLiteral("the program's path cannot be written into a desktop entry");
    if (QFileInfo::exists(target) && !isOurs(target))
        return foreignFile(target);
    return folderProblem(folder);
}

void AutostartEntry::apply(bool launchAtLogin)
{
    QString error;
    if (launchAtLogin ? install(&error) : remove(&error))
        return;
    Log::line(QStringLiteral("❌ Failed to %1 the login item: %2")
                  .arg(launchAtLogin ? QStringLiteral("set up") : QStringLiteral("remove"), error));
}
