#include "ReadOnlyFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

ReadOnlyFolder::ReadOnlyFolder(const QString &path)
    : m_path(path)
{
    QDir().mkpath(path);
    ::chmod(QFile::encodeName(path).constData(), 0555);
    if (::geteuid() == 0)
        m_immutable = setImmutable(true);
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (m_immutable)
        setImmutable(false);
    ::chmod(QFile::encodeName(m_path).constData(), 0755);
}

bool ReadOnlyFolder::isReadOnly() const
{
    QTemporaryFile probe(m_path + QStringLiteral("/probe-XXXXXX"));
    return !probe.open();
}

bool ReadOnlyFolder::setImmutable(bool immutable)
{
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}
