#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct sqlite3;

// A new settings file made from what a damaged one still holds: every row of
// the file's own tables (StoreSchema) that can be read, each row read on its
// own, so that a damaged page costs only the rows on it and no others.
class StoreSalvage
{
public:
    struct Outcome
    {
        int settingsKept = 0;
        int settingsLost = 0;
        int conversationsKept = 0;
        int conversationsLost = 0;
        // Tables of which no row could be found; how many they held is not known.
        QStringList tablesLost;
        // Not even the list of the file's tables could be read.
        bool unreadable = false;
    };

    // Writes the rows that `damaged` still gives into a new file at
    // `newPath` (mode 0600; a file left there by an earlier attempt is
    // replaced). Absent, with the reason, when the new file could not be
    // written; it is removed then.
    static std::optional<Outcome> copyReadableRows(sqlite3 *damaged, const QString &newPath, QString *error);
};
