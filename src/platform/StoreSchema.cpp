#include "StoreSchema.h"

#include "SqliteStatement.h"

#include <sqlite3.h>

namespace {

QString columnText(sqlite3_stmt *statement, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
        sqlite3_column_bytes(statement, column));
}

} // namespace

const QList<StoreSchema::Table> &StoreSchema::tables()
{
    static const QList<Table> tables {
        { "defaults", { QStringLiteral("key"), QStringLiteral("value") },
            "CREATE TABLE IF NOT EXISTS defaults(key TEXT PRIMARY KEY NOT NULL, value)" },
        { "conversations",
            { QStringLiteral("id"), QStringLiteral("position"), QStringLiteral("record"),
                QStringLiteral("screenshot") },
            "CREATE TABLE IF NOT EXISTS conversations(id TEXT PRIMARY KEY NOT NULL, position INTEGER NOT "
            "NULL, record BLOB NOT NULL, screenshot BLOB)" },
    };
    return tables;
}

std::optional<QString> StoreSchema::problem(sqlite3 *db, bool *failed)
{
    *failed = false;
    for (const Table &table : tables()) {
        const QString name = QString::fromLatin1(table.name);
        struct Column
        {
            QString name;
            bool mustBeFilled;
            int keyPart;
        };
        QList<Column> columns;
        {
            SqliteStatement info(db, QByteArray("PRAGMA main.table_info(") + table.name + ')');
            if (!info) {
                *failed = true;
                return std::nullopt;
            }
            int step = SQLITE_ROW;
            while ((step = sqlite3_step(info.get())) == SQLITE_ROW) {
                sqlite3_stmt *row = info.get();
                columns.append({ columnText(row, 1),
                    sqlite3_column_int(row, 3) != 0 && sqlite3_column_type(row, 4) == SQLITE_NULL,
                    sqlite3_column_int(row, 5) });
            }
            if (step != SQLITE_DONE) {
                *failed = true;
                return std::nullopt;
            }
        }
        if (columns.isEmpty())
            continue; // not there yet

        QStringList names;
        for (const Column &column : std::as_const(columns))
            names.append(column.name);
        for (const QString &wanted : table.columns) {
            if (!names.contains(wanted))
                return QStringLiteral("its table \"%1\" has the columns %2").arg(name, names.join(u", "));
        }
        // Saves replace the row with the same key; without the key as the
        // primary key, every one of them fails.
        for (const Column &column : std::as_const(columns)) {
            const bool isKey = column.name == table.columns.first();
            if ((isKey && column.keyPart != 1) || (!isKey && column.keyPart != 0))
                return QStringLiteral("its table \"%1\" does not have \"%2\" alone as its primary key")
                    .arg(name, table.columns.first());
        }
        for (const Column &column : std::as_const(columns)) {
            if (!table.columns.contains(column.name) && column.mustBeFilled)
                return QStringLiteral("its table \"%1\" has a further column \"%2\" that must be filled")
                    .arg(name, column.name);
        }
        // Values are read and written in place through their row ids.
        SqliteStatement rowids(db, QByteArray("SELECT rowid FROM main.") + table.name + " LIMIT 0");
        if (!rowids)
            return QStringLiteral("its table \"%1\" has no row ids").arg(name);
    }
    return std::nullopt;
}

bool StoreSchema::createMissing(sqlite3 *db)
{
    for (const Table &table : tables()) {
        if (sqlite3_exec(db, table.create, nullptr, nullptr, nullptr) != SQLITE_OK)
            return false;
    }
    return true;
}

bool StoreSchema::createIndexes(sqlite3 *db)
{
    // A new conversation goes in front of the largest position: without an
    // index that is a walk over every row's page, which in a long history
    // costs more than the rest of the save.
    return sqlite3_exec(db,
               "CREATE INDEX IF NOT EXISTS conversations_by_position ON conversations(position)", nullptr,
               nullptr, nullptr)
        == SQLITE_OK;
}
