#include "ConversationTable.h"

#include "FreshMemory.h"
#include "Log.h"
#include "SqliteStatement.h"
#include "StoreWaitLimit.h"
#include "UserDefaults.h"

#include <QFile>

#include <sqlite3.h>

namespace {

constexpr int blobChunkSize = 4 * 1024 * 1024;

} // namespace

ConversationTable::ConversationTable(UserDefaults &defaults)
    : m_defaults(defaults)
{ }

ConversationTable::~ConversationTable()
{
    sqlite3_close_v2(m_db);
}

bool ConversationTable::ensureOpen(QString *error)
{
    if (m_db)
        return true;
    {
        // The defaults open the file first: they create it and its tables,
        // repair it, or start a new one from what a damaged one holds.
        const std::unique_lock<QMutex> lock = m_defaults.lockStore();
        if (!lock.owns_lock()) {
            StoreWaitLimit::noteBusy();
            if (error)
                *error = UserDefaults::storeInUse().reason;
            return false;
        }
        if (!m_defaults.ensureOpen()) {
            const UserDefaults::Failure failure = m_defaults.failure();
            if (failure.busy)
                StoreWaitLimit::noteBusy();
            if (error)
                *error = failure.reason;
            return false;
        }
    }
    const QByteArray nativePath = QFile::encodeName(m_defaults.path());
    if (sqlite3_open_v2(nativePath.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        fail(error);
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return false;
    }
    sqlite3_extended_result_codes(m_db, 1);
    StoreWaitLimit::install(m_db);
    // What a deletion frees is overwritten with zeros, the pages a
    // screenshot spilled onto included.
    execute("PRAGMA secure_delete = ON");
    // As the defaults' connection (UserDefaults::openDatabase): a save is
    // appended to the write-ahead log without a sync of its own.
    execute("PRAGMA synchronous = NORMAL");
    execute("PRAGMA wal_autocheckpoint = 256");
    return true;
}

bool ConversationTable::execute(const char *sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString ConversationTable::failureText() const
{
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}

bool ConversationTable::fail(QString *error)
{
    const int code = sqlite3_extended_errcode(m_db) & 0xff;
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        StoreWaitLimit::noteBusy();
    if (error)
        *error = failureText();
    return false;
}

std::unique_lock<QMutex> ConversationTable::lockTable(QString *error)
{
    std::unique_lock<QMutex> lock(m_mutex, std::defer_lock);
    if (const std::optional<std::chrono::steady_clock::time_point> deadline = StoreWaitLimit::deadline())
        lock.try_lock_until(*deadline);
    else
        lock.lock();
    if (!lock.owns_lock()) {
        StoreWaitLimit::noteBusy();
        if (error)
            *error = UserDefaults::storeInUse().reason;
    }
    return lock;
}

std::optional<QList<ConversationRow>> ConversationTable::readAll(Screenshots screenshots, QString *error)
{
    const std::unique_lock<QMutex> lock = lockTable(error);
    if (!lock.owns_lock() || !ensureOpen(error))
        return std::nullopt;
    if (!execute("BEGIN")) {
        fail(error);
        return std::nullopt;
    }
    const auto failed = [&]() -> std::optional<QList<ConversationRow>> {
        fail(error);
        execute("ROLLBACK");
        return std::nullopt;
    };

    SqliteStatement select(m_db,
        "SELECT rowid, id, position, record, typeof(screenshot), length(screenshot) FROM conversations "
        "ORDER BY position DESC, rowid DESC");
    if (!select)
        return failed();
    QList<ConversationRow> rows;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
        sqlite3_stmt *row = select.get();
        ConversationRow conversation;
        conversation.id = QString::fromUtf8(
            reinterpret_cast<const char *>(sqlite3_column_text(row, 1)), sqlite3_column_bytes(row, 1));
        conversation.position = sqlite3_column_int64(row, 2);
        const void *record = sqlite3_column_blob(row, 3);
        conversation.record = QByteArray(static_cast<const char *>(record), sqlite3_column_bytes(row, 3));

        // Only bytes can be a screenshot. A number in its place (a row
        // another program wrote) is no screenshot, and must not make the
        // whole list unreadable: the blob handle refuses numbers.
        const QByteArray screenshotType(reinterpret_cast<const char *>(sqlite3_column_text(row, 4)));
        conversation.hasScreenshot = screenshotType == "blob" || screenshotType == "text";
        if (conversation.hasScreenshot && screenshots == Screenshots::Included) {
            QByteArray bytes;
            if (!readScreenshot(sqlite3_column_int64(row, 0), sqlite3_column_int64(row, 5), &bytes)) {
                if (error)
                    *error = m_lastFailure;
                execute("ROLLBACK");
                return std::nullopt;
            }
            conversation.screenshot = bytes;
        }
        rows.append(conversation);
    }
    if (step != SQLITE_DONE)
        return failed();
    execute("COMMIT");
    return rows;
}

bool ConversationTable::readScreenshot(qint64 rowid, qint64 length, QByteArray *bytes)
{
    // Read straight into the conversation's own buffer: the largest part of
    // the file is never held twice.
    *bytes = QByteArray(qsizetype(length), Qt::Uninitialized);
    FreshMemory::prepareForWriting(bytes->data(), bytes->size());
    if (length <= 0)
        return true;
    sqlite3_blob *blob = nullptr;
    if (sqlite3_blob_open(m_db, "main", "conversations", "screenshot", rowid, 0, &blob) != SQLITE_OK) {
        m_lastFailure = failureText();
        sqlite3_blob_close(blob);
        return false;
    }
    for (qint64 offset = 0; offset < length; offset += blobChunkSize) {
        const int chunk = int(qMin<qint64>(blobChunkSize, length - offset));
        if (sqlite3_blob_read(blob, bytes->data() + offset, chunk, int(offset)) != SQLITE_OK) {
            m_lastFailure = failureText(); // before the close resets the reason
            sqlite3_blob_close(blob);
            return false;
        }
    }
    sqlite3_blob_close(blob);
    return true;
}

std::optional<std::optional<QByteArray>> ConversationTable::screenshot(const QString &id, QString *error)
{
    const std::unique_lock<QMutex> lock = lockTable(error);
    if (!lock.owns_lock() || !ensureOpen(error))
        return std::nullopt;
    if (!execute("BEGIN")) {
        fail(error);
        return std::nullopt;
    }
    std::optional<std::optional<QByteArray>> result;
    {
        SqliteStatement select(m_db,
            "SELECT rowid, typeof(screenshot), length(screenshot) FROM conversations WHERE id = ?1");
        if (select) {
            select.bindText(1, id);
            const int step = sqlite3_step(select.get());
            if (step == SQLITE_ROW) {
                const QByteArray type(reinterpret_cast<const char *>(sqlite3_column_text(select.get(), 1)));
                if (type != "blob" && type != "text") {
                    result = std::optional<QByteArray>();
                } else {
                    QByteArray bytes;
                    if (readScreenshot(
                            sqlite3_column_int64(select.get(), 0), sqlite3_column_int64(select.get(), 2), &bytes))
                        result = std::optional<QByteArray>(bytes);
                    else if (error)
                        *error = m_lastFailure;
                }
            } else if (step == SQLITE_DONE) {
                if (error)
                    *error = QStringLiteral("The conversation is not stored");
            } else {
                fail(error);
            }
        } else {
            fail(error);
        }
    }
    execute("COMMIT");
    return result;
}

QString ConversationTable::thumbnailKey(const QString &id)
{
    return QStringLiteral("ConversationThumbnail.") + id;
}

std::optional<int> ConversationTable::removeStrayThumbnails(sqlite3 *db)
{
    // The keys are looked up as a range of the defaults' key index, so that
    // only the pictures' rows are visited; '/' follows '.' in every encoding.
    const QString prefix = thumbnailKey(QString());
    SqliteStatement remove(db,
        "DELETE FROM defaults WHERE key > ?1 AND key < ?2 AND NOT EXISTS "
        "(SELECT 1 FROM conversations WHERE id = substr(defaults.key, ?3))");
    if (!remove)
        return std::nullopt;
    remove.bindText(1, prefix);
    remove.bindText(2, prefix.chopped(1) + QLatin1Char('/'));
    sqlite3_bind_int(remove.get(), 3, int(prefix.size()) + 1);
    if (sqlite3_step(remove.get()) != SQLITE_DONE)
        return std::nullopt;
    return sqlite3_changes(db);
}

std::optional<QByteArray> ConversationTable::thumbnail(const QString &id, QString *error)
{
    const std::unique_lock<QMutex> lock = lockTable(error);
    if (!lock.owns_lock() || !ensureOpen(error))
        return std::nullopt;
    SqliteStatement select(m_db, "SELECT value FROM defaults WHERE key = ?1 AND typeof(value) = 'blob'");
    if (!select) {
        fail(error);
        return std::nullopt;
    }
    select.bindText(1, thumbnailKey(id));
    const int step = sqlite3_step(select.get());
    if (step == SQLITE_ROW)
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(select.get(), 0)),
            sqlite3_column_bytes(select.get(), 0));
    if (step != SQLITE_DONE)
        fail(error);
    return std::nullopt;
}

bool ConversationTable::setThumbnail(const QString &id, const QByteArray &png, QString *error)
{
    const std::unique_lock<QMutex> lock = lockTable(error);
    if (!lock.owns_lock() || !ensureOpen(error))
        return false;
    // Only beside a row that is there: a deletion in the meantime leaves no
    // picture behind.
    SqliteStatement insert(m_db,
        "INSERT OR REPLACE INTO defaults(key, value) SELECT ?1, ?2 "
        "WHERE EXISTS (SELECT 1 FROM conversations WHERE id = ?3)");
    if (!insert)
        return fail(error);
    insert.bindText(1, thumbnailKey(id));
    insert.bindBytes(2, png);
    insert.bindText(3, id);
    if (sqlite3_step(insert.get()) != SQLITE_DONE)
        return fail(error);
    return true;
}

std::optional<qsizetype> ConversationTable::write(
    const QList<ConversationRow> &rows, const QStringList &removedIds, QString *error)
{
    const std::unique_lock<QMutex> lock = lockTable(error);
    if (!lock.owns_lock() || !ensureOpen(error))
        return std::nullopt;
    if (!execute("BEGIN IMMEDIATE")) {
        fail(error);
        return std::nullopt;
    }
    const auto failed = [&]() -> std::optional<qsizetype> {
        fail(error);
        execute("ROLLBACK");
        return std::nullopt;
    };
    bool erased = !removedIds.isEmpty();
    {
        SqliteStatement existing(m_db, "SELECT 1 FROM conversations WHERE id = ?1");
        SqliteStatement upsert(m_db,
            "INSERT INTO conversations(id, position, record, screenshot) "
            "VALUES(?1, coalesce(?2, (SELECT coalesce(max(position), 0) + 1 FROM conversations)), ?3, ?4) "
            "ON CONFLICT(id) DO UPDATE SET position = coalesce(?2, conversations.position), "
            "record = excluded.record, screenshot = excluded.screenshot");
        if (!existing || !upsert)
            return failed();
        for (const ConversationRow &row : rows) {
            // A row replaced leaves its old bytes in the write-ahead log.
            sqlite3_reset(existing.get());
            existing.bindText(1, row.id);
            erased = erased || sqlite3_step(existing.get()) == SQLITE_ROW;
            sqlite3_reset(upsert.get());
            sqlite3_clear_bindings(upsert.get());
            upsert.bindText(1, row.id);
            if (row.position)
                sqlite3_bind_int64(upsert.get(), 2, *row.position);
            upsert.bindBytes(3, row.record);
            upsert.bindBytes(4, row.screenshot);
            if (sqlite3_step(upsert.get()) != SQLITE_DONE)
                return failed();
        }
        SqliteStatement remove(m_db, "DELETE FROM conversations WHERE id = ?1");
        SqliteStatement removeThumbnail(m_db, "DELETE FROM defaults WHERE key = ?1");
        if (!remove || !removeThumbnail)
            return failed();
        for (const QString &id : removedIds) {
            sqlite3_reset(remove.get());
            remove.bindText(1, id);
            sqlite3_reset(removeThumbnail.get());
            removeThumbnail.bindText(1, thumbnailKey(id));
            if (sqlite3_step(remove.get()) != SQLITE_DONE || sqlite3_step(removeThumbnail.get()) != SQLITE_DONE)
                return failed();
        }
    }
    qsizetype stored = 0;
    {
        SqliteStatement count(m_db, "SELECT count(*) FROM conversations");
        if (!count || sqlite3_step(count.get()) != SQLITE_ROW)
            return failed();
        stored = qsizetype(sqlite3_column_int64(count.get(), 0));
    }
    if (!execute("COMMIT"))
        return failed();
    // A log that could not be emptied before is emptied by the next write.
    if (erased || m_defaults.isErasePending())
        emptyLog();
    return stored;
}

std::optional<qint64> ConversationTable::upsert(const ConversationRow &row, QString *error)
{
    const std::unique_lock<QMutex> lock = lockTable(error);
    if (!lock.owns_lock() || !ensureOpen(error))
        return std::nullopt;
    if (!execute("BEGIN IMMEDIATE")) {
        fail(error);
        return std::nullopt;
    }
    // A row replaced leaves its old bytes in the write-ahead log.
    bool replaced = false;
    {
        SqliteStatement existing(m_db, "SELECT 1 FROM conversations WHERE id = ?1");
        if (existing) {
            existing.bindText(1, row.id);
            replaced = sqlite3_step(existing.get()) == SQLITE_ROW;
        }
    }
    SqliteStatement upsert(m_db,
        "INSERT INTO conversations(id, position, record, screenshot) "
        "VALUES(?1, coalesce(?2, (SELECT coalesce(max(position), 0) + 1 FROM conversations)), ?3, ?4) "
        "ON CONFLICT(id) DO UPDATE SET position = excluded.position, record = excluded.record, "
        "screenshot = excluded.screenshot RETURNING position");
    std::optional<qint64> position;
    if (upsert) {
        upsert.bindText(1, row.id);
        if (row.position)
            sqlite3_bind_int64(upsert.get(), 2, *row.position);
        upsert.bindBytes(3, row.record);
        upsert.bindBytes(4, row.screenshot);
        if (sqlite3_step(upsert.get()) == SQLITE_ROW) {
            position = sqlite3_column_int64(upsert.get(), 0);
            if (sqlite3_step(upsert.get()) != SQLITE_DONE)
                position.reset();
        }
    }
    if (!position || !execute("COMMIT")) {
        fail(error);
        execute("ROLLBACK");
        return std::nullopt;
    }
    // A log that could not be emptied before is emptied by the next write.
    if (replaced || m_defaults.isErasePending())
        emptyLog();
    return position;
}

std::optional<qint64> ConversationTable::positionOf(const QString &id, QString *error)
{
    const std::unique_lock<QMutex> lock = lockTable(error);
    if (!lock.owns_lock() || !ensureOpen(error))
        return std::nullopt;
    SqliteStatement select(m_db, "SELECT position FROM conversations WHERE id = ?1");
    if (!select) {
        fail(error);
        return std::nullopt;
    }
    select.bindText(1, id);
    const int step = sqlite3_step(select.get());
    if (step == SQLITE_ROW)
        return sqlite3_column_int64(select.get(), 0);
    if (step != SQLITE_DONE)
        fail(error);
    else if (error)
        *error = QStringLiteral("The conversation is not stored");
    return std::nullopt;
}

bool ConversationTable::remove(const QString &id, QString *error)
{
    const std::unique_lock<QMutex> lock = lockTable(error);
    if (!lock.owns_lock() || !ensureOpen(error))
        return false;
    if (!execute("BEGIN IMMEDIATE"))
        return fail(error);
    SqliteStatement remove(m_db, "DELETE FROM conversations WHERE id = ?1");
    SqliteStatement removeThumbnail(m_db, "DELETE FROM defaults WHERE key = ?1");
    if (remove && removeThumbnail) {
        remove.bindText(1, id);
        removeThumbnail.bindText(1, thumbnailKey(id));
        if (sqlite3_step(remove.get()) == SQLITE_DONE && sqlite3_step(removeThumbnail.get()) == SQLITE_DONE
            && execute("COMMIT")) {
            emptyLog();
            return true;
        }
    }
    fail(error);
    execute("ROLLBACK");
    return false;
}

void ConversationTable::emptyLog()
{
    // The deletion's zeros reach the file, and the earlier pages leave the
    // write-ahead log, only when the log is copied and emptied. When another
    // program's read keeps it, the defaults say so and try again until it
    // is done.
    if (sqlite3_wal_checkpoint_v2(m_db, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr) == SQLITE_OK)
        m_defaults.noteEraseComplete();
    else
        m_defaults.noteEraseIncomplete(failureText());
}

std::optional<qsizetype> ConversationTable::importRows(
    const QList<ConversationRow> &rows, const QString &fromDefaultsKey, QString *error)
{
    const std::unique_lock<QMutex> lock = lockTable(error);
    if (!lock.owns_lock() || !ensureOpen(error))
        return std::nullopt;
    if (!execute("BEGIN IMMEDIATE")) {
        fail(error);
        return std::nullopt;
    }
    const std::optional<bool> imported = writeImport(rows, fromDefaultsKey);
    if (!imported || !execute(*imported ? "COMMIT" : "ROLLBACK")) {
        fail(error);
        execute("ROLLBACK");
        return std::nullopt;
    }
    if (!*imported)
        return 0;
    if (execute("VACUUM"))
        emptyLog();
    else
        Log::line(
            QStringLiteral("⚠️ The settings store %1 could not be rebuilt after its conversations were "
                           "moved into rows: %2")
                .arg(m_defaults.path(), failureText()));
    return rows.size();
}

std::optional<bool> ConversationTable::writeImport(
    const QList<ConversationRow> &rows, const QString &fromDefaultsKey)
{
    // The value goes first: when it is gone, another program moved it in
    // the meantime, and its rows are there already.
    SqliteStatement remove(m_db, "DELETE FROM defaults WHERE key = ?1");
    if (!remove)
        return std::nullopt;
    remove.bindText(1, fromDefaultsKey);
    if (sqlite3_step(remove.get()) != SQLITE_DONE)
        return std::nullopt;
    if (sqlite3_changes(m_db) == 0)
        return false;

    // Behind the rows stored: the value comes from an earlier version.
    SqliteStatement lowest(m_db, "SELECT min(position) FROM conversations");
    if (!lowest || sqlite3_step(lowest.get()) != SQLITE_ROW)
        return std::nullopt;
    qint64 position = sqlite3_column_type(lowest.get(), 0) == SQLITE_NULL
        ? qint64(rows.size())
        : sqlite3_column_int64(lowest.get(), 0) - 1;

    SqliteStatement insert(
        m_db, "INSERT INTO conversations(id, position, record, screenshot) VALUES(?1, ?2, ?3, ?4)");
    if (!insert)
        return std::nullopt;
    for (const ConversationRow &row : rows) {
        sqlite3_reset(insert.get());
        insert.bindText(1, row.id);
        sqlite3_bind_int64(insert.get(), 2, position--);
        insert.bindBytes(3, row.record);
        insert.bindBytes(4, row.screenshot);
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            return std::nullopt;
    }
    return true;
}
