#include "SqliteLengthLimit.h"

#include <sqlite3.h>

SqliteLengthLimit::SqliteLengthLimit(int bytes)
{
    s_limit = bytes;
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(&apply));
}

SqliteLengthLimit::~SqliteLengthLimit()
{
    sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&apply));
}

int SqliteLengthLimit::apply(sqlite3 *db, const char **, const void *)
{
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, s_limit);
    return SQLITE_OK;
}
