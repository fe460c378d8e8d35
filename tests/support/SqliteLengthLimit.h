#pragma once

struct sqlite3;

// Every SQLite connection that this process opens while it lives holds
// values of at most that many bytes, as a build of SQLite with a smaller
// limit would (its default is a billion bytes).
class SqliteLengthLimit
{
public:
    explicit SqliteLengthLimit(int bytes);
    ~SqliteLengthLimit();
    SqliteLengthLimit(const SqliteLengthLimit &) = delete;
    SqliteLengthLimit &operator=(const SqliteLengthLimit &) = delete;

private:
    static int apply(sqlite3 *db, const char **error, const void *routines);
    static inline int s_limit = 0;
};
