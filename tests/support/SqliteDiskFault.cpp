#include "SqliteDiskFault.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<int> activeKind { -1 };

bool writesFail()
{
    return activeKind.load() >= 0;
}

bool readsFail()
{
    return activeKind.load() == int(SqliteDiskFault::Kind::Unreadable);
}

ssize_t failingRead(int fd, void *buffer, size_t count)
{
    if (readsFail()) {
        errno = EIO;
        return -1;
    }
    return ::read(fd, buffer, count);
}

ssize_t failingPread(int fd, void *buffer, size_t count, off_t offset)
{
    if (readsFail()) {
        errno = EIO;
        return -1;
    }
    return ::pread(fd, buffer, count, offset);
}

ssize_t failingPread64(int fd, void *buffer, size_t count, off64_t offset)
{
    if (readsFail()) {
        errno = EIO;
        return -1;
    }
    return ::pread64(fd, buffer, count, offset);
}

ssize_t failingWrite(int fd, const void *buffer, size_t count)
{
    if (writesFail()) {
        errno = ENOSPC;
        return -1;
    }
    return ::write(fd, buffer, count);
}

ssize_t failingPwrite(int fd, const void *buffer, size_t count, off_t offset)
{
    if (writesFail()) {
        errno = ENOSPC;
        return -1;
    }
    return ::pwrite(fd, buffer, count, offset);
}

ssize_t failingPwrite64(int fd, const void *buffer, size_t count, off64_t offset)
{
    if (writesFail()) {
        errno = ENOSPC;
        return -1;
    }
    return ::pwrite64(fd, buffer, count, offset);
}

// A full disk lets a file shrink, not grow.
int failingFtruncate(int fd, off_t length)
{
    struct stat info = {};
    if (writesFail() && ::fstat(fd, &info) == 0 && length > info.st_size) {
        errno = ENOSPC;
        return -1;
    }
    return ::ftruncate(fd, length);
}

int failingFallocate(int fd, off_t offset, off_t length)
{
    if (writesFail())
        return ENOSPC;
    return ::posix_fallocate(fd, offset, length);
}

struct SystemCall
{
    const char *name;
    sqlite3_syscall_ptr replacement;
};

const SystemCall systemCalls[] = {
    { "read", reinterpret_cast<sqlite3_syscall_ptr>(&failingRead) },
    { "pread", reinterpret_cast<sqlite3_syscall_ptr>(&failingPread) },
    { "pread64", reinterpret_cast<sqlite3_syscall_ptr>(&failingPread64) },
    { "write", reinterpret_cast<sqlite3_syscall_ptr>(&failingWrite) },
    { "pwrite", reinterpret_cast<sqlite3_syscall_ptr>(&failingPwrite) },
    { "pwrite64", reinterpret_cast<sqlite3_syscall_ptr>(&failingPwrite64) },
    { "ftruncate", reinterpret_cast<sqlite3_syscall_ptr>(&failingFtruncate) },
    { "fallocate", reinterpret_cast<sqlite3_syscall_ptr>(&failingFallocate) },
};

} // namespace

SqliteDiskFault::SqliteDiskFault(Kind kind)
{
    activeKind = int(kind);
    sqlite3_vfs *vfs = sqlite3_vfs_find("unix");
    for (const SystemCall &call : systemCalls)
        vfs->xSetSystemCall(vfs, call.name, call.replacement);
}

SqliteDiskFault::~SqliteDiskFault()
{
    activeKind = -1;
    sqlite3_vfs *vfs = sqlite3_vfs_find("unix");
    // Back to the system's own calls.
    for (const SystemCall &call : systemCalls)
        vfs->xSetSystemCall(vfs, call.name, nullptr);
}
