#include "SqliteStatement.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3 *db, const char *sql)
{
    if (db)
        sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

void SqliteStatement::bindText(int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(
        m_stmt, index, utf8.isNull() ? "" : utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::bindBytes(int index, const std::optional<QByteArray> &bytes)
{
    if (!bytes)
        sqlite3_bind_null(m_stmt, index);
    else // a null pointer would store NULL, not an empty value
        sqlite3_bind_blob64(m_stmt, index, bytes->isNull() ? "" : bytes->constData(),
            sqlite3_uint64(bytes->size()), SQLITE_STATIC);
}
