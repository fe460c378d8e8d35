#include "StoreSalvage.h"

#include "SqliteStatement.h"
#include "StoreSchema.h"

#include <QFile>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

QByteArray quoted(const QByteArray &name)
{
    return '"' + QByteArray(name).replace('"', "\"\"") + '"';
}

// Adds the row ids that the statement gives until it ends or fails; whether
// it came to its end.
bool collectRowids(sqlite3 *db, const QByteArray &sql, QSet<qint64> *rowids)
{
    SqliteStatement statement(db, sql);
    if (!statement)
        return false;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW)
        rowids->insert(sqlite3_column_int64(statement.get(), 0));
    return step == SQLITE_DONE;
}

// Every row id of the table that can still be found: those of a scan of the
// table itself, which stops at a damaged page, and, when it stops, those its
// indexes hold, which also name the rows on and beyond that page. Absent
// when no row could be found and neither source could be read to its end.
std::optional<QList<qint64>> rowidsOf(sqlite3 *db, const QByteArray &table)
{
    QSet<qint64> rowids;
    bool complete = collectRowids(db, "SELECT rowid FROM main." + table + " NOT INDEXED", &rowids);
    if (!complete) {
        QList<QByteArray> indexes;
        SqliteStatement list(db, "PRAGMA main.index_list(" + table + ")");
        while (list && sqlite3_step(list.get()) == SQLITE_ROW)
            indexes.append(reinterpret_cast<const char *>(sqlite3_column_text(list.get(), 1)));
        for (const QByteArray &index : std::as_const(indexes)) {
            if (collectRowids(
                    db, "SELECT rowid FROM main." + table + " INDEXED BY " + quoted(index), &rowids))
                complete = true;
        }
    }
    if (rowids.isEmpty() && !complete)
        return std::nullopt;
    QList<qint64> sorted(rowids.cbegin(), rowids.cend());
    // Newest first: of two rows with the same key (a table that lacked its
    // primary key), the one written last is kept.
    std::sort(sorted.begin(), sorted.end(), std::greater<>());
    return sorted;
}

} // namespace

std::optional<StoreSalvage::Outcome> StoreSalvage::copyReadableRows(
    sqlite3 *damaged, const QString &newPath, QString *error)
{
    const QByteArray nativePath = QFile::encodeName(newPath);
    for (const char *leftOver : { "", "-journal" })
        ::unlink((nativePath + leftOver).constData());
    const int fd = ::open(nativePath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(strerror(errno));
        return std::nullopt;
    }
    ::close(fd);

    sqlite3 *fresh = nullptr;
    const auto failed = [&]() -> std::optional<Outcome> {
        *error = fresh ? QString::fromUtf8(sqlite3_errmsg(fresh)) : QStringLiteral("out of memory");
        sqlite3_close_v2(fresh);
        ::unlink(nativePath.constData());
        return std::nullopt;
    };
    if (sqlite3_open_v2(nativePath.constData(), &fresh, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return failed();
    // The page size of every new settings file (UserDefaults).
    if (sqlite3_exec(fresh, "PRAGMA page_size = 65536", nullptr, nullptr, nullptr) != SQLITE_OK
        || !StoreSchema::createMissing(fresh)
        || sqlite3_exec(fresh, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return failed();

    Outcome outcome;
    for (const StoreSchema::Table &table : StoreSchema::tables()) {
        const QByteArray name(table.name);
        const bool isDefaults = name == "defaults";
        int &kept = isDefaults ? outcome.settingsKept : outcome.conversationsKept;
        int &lost = isDefaults ? outcome.settingsLost : outcome.conversationsLost;

        QByteArray columns;
        QByteArray parameters;
        for (qsizetype i = 0; i < table.columns.size(); ++i) {
            columns += (i ? ", " : "") + table.columns.at(i).toLatin1();
            parameters += (i ? ", ?" : "?") + QByteArray::number(i + 1);
        }
        SqliteStatement exists(
            damaged, "SELECT 1 FROM main.sqlite_schema WHERE type = 'table' AND name = ?1");
        int found = SQLITE_ERROR;
        if (exists) {
            sqlite3_bind_text(exists.get(), 1, table.name, -1, SQLITE_STATIC);
            found = sqlite3_step(exists.get());
        }
        if (found == SQLITE_DONE)
            continue; // nothing to copy
        if (found != SQLITE_ROW) {
            outcome.unreadable = true;
            continue;
        }
        SqliteStatement read(damaged, "SELECT " + columns + " FROM main." + name + " WHERE rowid = ?1");
        const std::optional<QList<qint64>> rowids = read ? rowidsOf(damaged, name) : std::nullopt;
        if (!rowids) {
            outcome.tablesLost.append(QString::fromLatin1(name));
            continue;
        }
        SqliteStatement write(fresh,
            "INSERT INTO " + name + "(" + columns + ") VALUES(" + parameters + ") ON CONFLICT("
                + table.columns.first().toLatin1() + ") DO NOTHING");
        if (!write)
            return failed();
        for (const qint64 rowid : *rowids) {
            sqlite3_reset(read.get());
            sqlite3_bind_int64(read.get(), 1, rowid);
            const int step = sqlite3_step(read.get());
            if (step == SQLITE_DONE)
                continue; // an index naming a row that is not there
            if (step != SQLITE_ROW) {
                ++lost;
                continue;
            }
            sqlite3_reset(write.get());
            for (int column = 0; column < int(table.columns.size()); ++column)
                sqlite3_bind_value(write.get(), column + 1, sqlite3_column_value(read.get(), column));
            const int written = sqlite3_step(write.get());
            if ((written & 0xff) == SQLITE_CONSTRAINT)
                ++lost; // a row this program could not have written (an empty key or record)
            else if (written != SQLITE_DONE)
                return failed();
            else if (sqlite3_changes(fresh) > 0)
                ++kept;
        }
        sqlite3_reset(read.get());
    }
    if (sqlite3_exec(fresh, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return failed();
    if (sqlite3_close(fresh) != SQLITE_OK) {
        fresh = nullptr;
        *error = QStringLiteral("the new file could not be closed");
        ::unlink(nativePath.constData());
        return std::nullopt;
    }
    return outcome;
}
