#include "DatabaseLock.h"

#include <QFile>

#include <sqlite3.h>

DatabaseLock::DatabaseLock(const QString &path, Kind kind)
{
    // In exclusive locking mode the connection keeps the whole file to
    // itself, so that readers are shut out too, also of a file in
    // write-ahead-log mode. An immediate transaction takes the write lock
    // alone, as a write under way holds it.
    const char *begin = kind == Kind::ReadsAndWrites ? "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE"
                                                     : "BEGIN IMMEDIATE";
    if (sqlite3_open(QFile::encodeName(path).constData(), &m_db) == SQLITE_OK)
        m_held = sqlite3_exec(m_db, begin, nullptr, nullptr, nullptr) == SQLITE_OK;
}

DatabaseLock::~DatabaseLock()
{
    if (m_releaser.joinable())
        m_releaser.join();
    release();
    sqlite3_close(m_db); // when the lock was never held
}

void DatabaseLock::release()
{
    // Only closing the connection gives up a lock of the exclusive mode.
    if (m_held.exchange(false)) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}

void DatabaseLock::releaseAfter(std::chrono::milliseconds delay)
{
    m_releaser = std::thread([this, delay] {
        std::this_thread::sleep_for(delay);
        release();
    });
}
