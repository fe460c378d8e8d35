#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// One prepared SQLite statement, finalised when it goes out of scope. On a
// connection that is not open, or with SQL that does not prepare, it is
// false and every call on it is harmless.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3 *db, const char *sql);
    SqliteStatement(sqlite3 *db, const QByteArray &sql)
        : SqliteStatement(db, sql.constData())
    { }
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    explicit operator bool() const { return m_stmt != nullptr; }
    sqlite3_stmt *get() const { return m_stmt; }

    // A null text is stored as an empty one, never as NULL.
    void bindText(int index, const QString &text);
    // No bytes store NULL; empty bytes an empty value. The bytes must
    // outlive the statement's execution.
    void bindBytes(int index, const std::optional<QByteArray> &bytes);

private:
    sqlite3_stmt *m_stmt = nullptr;
};
