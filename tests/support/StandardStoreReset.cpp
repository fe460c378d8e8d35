#include "StandardStoreReset.h"

#include "platform/UserDefaults.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

void StandardStoreReset::OnTestStart(const ::testing::TestInfo &)
{
    const QString path = UserDefaults::standardPath();
    if (!QFileInfo::exists(path))
        return;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr)
        == SQLITE_OK) {
        sqlite3_busy_timeout(db, 5000);
        sqlite3_exec(db, "DELETE FROM defaults", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "DELETE FROM conversations", nullptr, nullptr, nullptr);
    }
    sqlite3_close(db);
}
