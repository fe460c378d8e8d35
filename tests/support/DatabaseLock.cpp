#include "DatabaseLock.h"

#include <QFile>

#include <sqlite3.h>

DatabaseLock::DatabaseLock(const QString &path)
{
    if (sqlite3_open(QFile::encodeName(path).constData(), &m_db) == SQLITE_OK)
        m_held = sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
}

DatabaseLock::~DatabaseLock()
{
    if (m_releaser.joinable())
        m_releaser.join();
    release();
    sqlite3_close(m_db);
}

void DatabaseLock::release()
{
    if (m_held.exchange(false))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void DatabaseLock::releaseAfter(std::chrono::milliseconds delay)
{
    m_releaser = std::thread([this, delay] {
        std::this_thread::sleep_for(delay);
        release();
    });
}
