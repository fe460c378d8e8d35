#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <thread>

struct sqlite3;

// Another program holding a SQLite file locked, on a connection of its own,
// from construction until release() (or the end of its life): an exclusive
// transaction, so that no other connection can read or write the file, or a
// write in progress, which lets others read but not write.
class DatabaseLock
{
public:
    enum class Kind { ReadsAndWrites, WritesOnly };

    explicit DatabaseLock(const QString &path, Kind kind = Kind::ReadsAndWrites);
    ~DatabaseLock();
    DatabaseLock(const DatabaseLock &) = delete;
    DatabaseLock &operator=(const DatabaseLock &) = delete;

    bool isHeld() const { return m_held; }
    void release();
    // Lets go of the lock that much later, from a thread of its own, while
    // the test goes on.
    void releaseAfter(std::chrono::milliseconds delay);

private:
    sqlite3 *m_db = nullptr;
    std::atomic<bool> m_held = false;
    std::thread m_releaser;
};
