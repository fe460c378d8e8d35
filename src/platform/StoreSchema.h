#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct sqlite3;

// The tables of the settings file that this program reads and writes:
//   defaults(key TEXT PRIMARY KEY NOT NULL, value)
//   conversations(id TEXT PRIMARY KEY NOT NULL, position INTEGER NOT NULL,
//                 record BLOB NOT NULL, screenshot BLOB)
// Other tables in the file (a later version may add some) are left alone.
class StoreSchema
{
public:
    struct Table
    {
        const char *name;
        // The key column first.
        QStringList columns;
        const char *create;
    };
    static const QList<Table> &tables();

    // What keeps the file's own tables from being read and written as this
    // program does: a column missing, a key that is not the primary key, a
    // further column that every insert would have to fill. Absent when they
    // are fine or not there yet; `failed` is set when the file could not be
    // asked (the reason is the connection's).
    static std::optional<QString> problem(sqlite3 *db, bool *failed);

    // Creates the tables that are not there yet.
    static bool createMissing(sqlite3 *db);
    // Creates the indexes that are not there yet. They only make lookups
    // cheaper: a file without them (one that was busy when they were to be
    // made) is used as it is, and gets them at a later opening. A version
    // that knows nothing of them reads and writes the file as before.
    static bool createIndexes(sqlite3 *db);
};
