#include "UserDefaults.h"

#include "FreshMemory.h"
#include "Log.h"
#include "SqliteStatement.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QStandardPaths>

#include <algorithm>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How long a call waits for a file that another connection holds locked.
constexpr int busyTimeoutMs = 5000;
// Large values are written and read in pieces straight between the caller's
// buffer and the file, so that a value is never held twice in memory.
constexpr int blobChunkSize = 4 * 1024 * 1024;

bool isUnreadableFileError(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

// The tables of the file and their columns, in order. A file with other
// tables, or with these under other columns, belongs to something else.
struct KnownTable
{
    const char *name;
    QStringList columns;
    const char *create;
};

const QList<KnownTable> &knownTables()
{
    static const QList<KnownTable> tables {
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

// Reads a text as a Boolean the way the desktop convention for stored
// settings does: leading blanks, then an optional sign and zeros, then Y, T
// (either case) or a digit 1-9 means true; anything else is false.
bool textAsBool(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    while (i < text.size() && text.at(i) == QLatin1Char('0'))
        ++i;
    if (i == text.size())
        return false;
    const QChar c = text.at(i);
    return c == QLatin1Char('Y') || c == QLatin1Char('y') || c == QLatin1Char('T') || c == QLatin1Char('t')
        || (c >= QLatin1Char('1') && c <= QLatin1Char('9'));
}

} // namespace

UserDefaults &UserDefaults::standard()
{
    static UserDefaults *defaults = new UserDefaults(standardPath()); // lives as long as the process
    return *defaults;
}

QString UserDefaults::standardPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QLatin1String("/Pexilo/defaults.sqlite3");
}

UserDefaults::UserDefaults(const QString &path)
    : m_path(path)
{ }

UserDefaults::~UserDefaults()
{
    closeDatabase();
}

bool UserDefaults::ensureOpen() const
{
    if (m_db)
        return true;

    const QString folder = QFileInfo(m_path).absolutePath();
    const QFileInfo file(m_path);
    QString failure;
    if (file.exists() && !file.isFile()) {
        // A pipe (or a link to one) would hold the open, and the program,
        // until something writes into it; a folder or a device holds no
        // store. It is left where it is: it is not a damaged store of ours.
        failure = QStringLiteral("it is not a regular file");
    } else if (QDir().mkpath(folder)) {
        ::chmod(QFile::encodeName(folder).constData(), 0700);
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::fchmod(fd, 0600);
            ::close(fd);
        }
        QString setAsideReason;
        bool opened = openDatabase(&failure, &setAsideReason);
        if (!opened && !setAsideReason.isEmpty()) {
            closeDatabase();
            setAsideFile(setAsideReason);
            opened = openDatabase(&failure, &setAsideReason);
        }
        if (opened) {
            m_openFailure.clear();
            return true;
        }
        closeDatabase();
    } else {
        failure = QStringLiteral("the folder %1 could not be created").arg(folder);
    }
    // Tried again at the next call; each reason is said once.
    if (failure != m_openFailure) {
        Log::line(QStringLiteral("❌ Could not open the settings store %1: %2").arg(m_path, failure));
        m_openFailure = failure;
    }
    return false;
}

bool UserDefaults::openDatabase(QString *failure, QString *setAsideReason) const
{
    setAsideReason->clear();
    const QByteArray nativePath = QFile::encodeName(m_path);
    if (sqlite3_open_v2(nativePath.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        *failure = m_db ? failureText() : QStringLiteral("out of memory");
        return false;
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    // Large pages for a new file: a screenshot of a megabyte then takes a
    // sixteenth of the page reads and writes. An existing file keeps its
    // page size.
    execute("PRAGMA page_size = 65536");
    // What a write removes from the table's pages is overwritten with zeros,
    // but the pages a large value is freed from are left as they are, for
    // later writes to reuse: erasing them (Debian's default, "ON") copies
    // each into the journal and writes it again. The saved conversations,
    // whose deletion must erase them, are written with "ON" (ConversationTable).
    execute("PRAGMA secure_delete = FAST");

    // A file that opens may still be damaged, or another program's: either
    // would fail every write for ever, so it is set aside like a file that
    // does not open at all.
    const auto failed = [&]() {
        const int code = sqlite3_extended_errcode(m_db);
        *failure = failureText();
        if (isUnreadableFileError(code))
            *setAsideReason = QStringLiteral("could not be read");
        return false;
    };
    {
        SqliteStatement check(m_db, "PRAGMA quick_check");
        if (!check)
            return failed();
        const int step = sqlite3_step(check.get());
        if (step == SQLITE_ROW) {
            const QString verdict
                = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(check.get(), 0)));
            if (verdict != QLatin1String("ok")) {
                *failure = verdict;
                *setAsideReason = QStringLiteral("is damaged");
                return false;
            }
        } else if (step != SQLITE_DONE) {
            return failed();
        }
    }

    QList<const KnownTable *> missing;
    for (const KnownTable &table : knownTables())
        missing.append(&table);
    {
        SqliteStatement tables(
            m_db, "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite_%'");
        if (!tables)
            return failed();
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(tables.get())) == SQLITE_ROW) {
            const QByteArray name(reinterpret_cast<const char *>(sqlite3_column_text(tables.get(), 0)));
            const auto known = std::find_if(knownTables().cbegin(), knownTables().cend(),
                [&name](const KnownTable &table) { return name == table.name; });
            if (known == knownTables().cend()) {
                *failure = QStringLiteral("it holds a table \"%1\"").arg(QString::fromUtf8(name));
                *setAsideReason = QStringLiteral("holds tables of another kind");
                return false;
            }
            SqliteStatement info(m_db, ("PRAGMA table_info(" + name + ")").constData());
            QStringList columns;
            while (info && sqlite3_step(info.get()) == SQLITE_ROW)
                columns.append(
                    QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(info.get(), 1))));
            if (columns != known->columns) {
                *failure = QStringLiteral("its table \"%1\" has the columns %2")
                               .arg(QString::fromUtf8(name), columns.join(QLatin1String(", ")));
                *setAsideReason = QStringLiteral("holds tables of another kind");
                return false;
            }
            missing.removeOne(&*known);
        }
        if (step != SQLITE_DONE)
            return failed();
    }
    for (const KnownTable *table : missing) {
        if (!execute(table->create))
            return failed();
    }

    // Write-ahead logging: a commit appends its pages to the log, and a read
    // never waits for a write. A commit is not synced to the disk on its own
    // (a rollback journal takes four syncs, each of which can take longer
    // than the whole write): a crash of the program loses nothing, a power
    // cut at worst the last writes, and neither leaves a write half done.
    // The log is synced and copied into the file whenever it has grown by
    // 16 MiB, and by each write of a value here (emptyLog). A file that
    // another program holds open keeps its mode until a later start.
    execute("PRAGMA journal_mode = WAL");
    execute("PRAGMA synchronous = NORMAL");
    execute("PRAGMA wal_autocheckpoint = 256");
    return true;
}

void UserDefaults::emptyLog() const
{
    // What a write replaced or removed is overwritten in the file only once
    // the log is copied into it; the log itself still holds earlier versions
    // of the pages until it is emptied. Neither is left behind. A reader of
    // an older state (another program) may keep the log for a while; the
    // next write empties it then.
    sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
}

void UserDefaults::closeDatabase() const
{
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void UserDefaults::setAsideFile(const QString &reason) const
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = m_path + QLatin1String(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = m_path + QLatin1String(".unreadable-") + stamp + QLatin1Char('-') + QString::number(n);

    if (!QFile::rename(m_path, aside)) {
        Log::line(
            QStringLiteral("❌ The settings store %1 %2 and could not be moved aside").arg(m_path, reason));
        return;
    }
    // A journal left beside the file belongs to it; keep the two together.
    for (const char *sidecar : { "-journal", "-wal", "-shm" }) {
        const QString from = m_path + QLatin1String(sidecar);
        if (QFileInfo::exists(from))
            QFile::rename(from, aside + QLatin1String(sidecar));
    }
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
    Log::line(QStringLiteral("⚠️ The settings store %1 %2; it was moved to %3 and a new one started")
                  .arg(m_path, reason, aside));
}

bool UserDefaults::execute(const char *sql) const
{
    return m_db && sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString UserDefaults::failureText() const
{
    if (!m_db)
        return m_openFailure.isEmpty() ? QStringLiteral("not open") : m_openFailure;
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}

StoredValue UserDefaults::valueForKey(const QString &key) const
{
    QMutexLocker locker(&m_mutex);
    const StoredValue value = readValue(key);
    if (value.isFailure()) {
        m_unreadKeys.insert(key);
        Log::line(QStringLiteral("❌ Could not read \"%1\" from the settings store %2: %3")
                      .arg(key, m_path, value.failureReason()));
    } else {
        m_unreadKeys.remove(key);
    }
    return value;
}

StoredValue UserDefaults::readValue(const QString &key) const
{
    if (!ensureOpen())
        return StoredValue::failure(failureText());
    // One read transaction, so that the two statements see the same value.
    if (!execute("BEGIN"))
        return StoredValue::failure(failureText());
    const auto fail = [this] {
        const StoredValue failure = StoredValue::failure(failureText());
        execute("ROLLBACK");
        return failure;
    };
    const auto done = [this](const StoredValue &value) {
        execute("COMMIT");
        return value;
    };

    SqliteStatement select(m_db, "SELECT rowid, typeof(value), length(value) FROM defaults WHERE key = ?1");
    if (!select)
        return fail();
    select.bindText(1, key);
    const int step = sqlite3_step(select.get());
    if (step == SQLITE_DONE)
        return done(StoredValue::absent());
    if (step != SQLITE_ROW)
        return fail();

    const sqlite3_int64 rowid = sqlite3_column_int64(select.get(), 0);
    const QByteArray type(reinterpret_cast<const char *>(sqlite3_column_text(select.get(), 1)));
    const sqlite3_int64 length = sqlite3_column_int64(select.get(), 2);

    if (type == "blob") {
        if (length == 0)
            return done(StoredValue::of(QVariant(QByteArray(""))));
        QByteArray bytes(qsizetype(length), Qt::Uninitialized);
        FreshMemory::prepareForWriting(bytes.data(), bytes.size());
        sqlite3_blob *blob = nullptr;
        if (sqlite3_blob_open(m_db, "main", "defaults", "value", rowid, 0, &blob) != SQLITE_OK) {
            const StoredValue failure = StoredValue::failure(failureText());
            sqlite3_blob_close(blob);
            execute("ROLLBACK");
            return failure;
        }
        for (sqlite3_int64 offset = 0; offset < length; offset += blobChunkSize) {
            const int chunk = int(qMin<sqlite3_int64>(blobChunkSize, length - offset));
            if (sqlite3_blob_read(blob, bytes.data() + offset, chunk, int(offset)) != SQLITE_OK) {
                const StoredValue failure = StoredValue::failure(failureText());
                sqlite3_blob_close(blob);
                execute("ROLLBACK");
                return failure;
            }
        }
        sqlite3_blob_close(blob);
        return done(StoredValue::of(QVariant(bytes)));
    }

    SqliteStatement value(m_db, "SELECT value FROM defaults WHERE rowid = ?1");
    if (!value)
        return fail();
    sqlite3_bind_int64(value.get(), 1, rowid);
    const int valueStep = sqlite3_step(value.get());
    if (valueStep == SQLITE_DONE)
        return done(StoredValue::absent());
    if (valueStep != SQLITE_ROW)
        return fail();
    if (type == "text") {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(value.get(), 0));
        return done(StoredValue::of(QVariant(QString::fromUtf8(text, sqlite3_column_bytes(value.get(), 0)))));
    }
    if (type == "integer")
        return done(StoredValue::of(QVariant(qlonglong(sqlite3_column_int64(value.get(), 0)))));
    if (type == "real")
        return done(StoredValue::of(QVariant(sqlite3_column_double(value.get(), 0))));
    return done(StoredValue::absent()); // a stored NULL is no value
}

std::optional<QVariant> UserDefaults::objectForKey(const QString &key) const
{
    const StoredValue value = valueForKey(key);
    if (!value.hasValue())
        return std::nullopt;
    return value.value();
}

std::optional<QString> UserDefaults::stringForKey(const QString &key) const
{
    const std::optional<QVariant> value = objectForKey(key);
    if (!value || value->typeId() != QMetaType::QString)
        return std::nullopt;
    return value->toString();
}

bool UserDefaults::boolForKey(const QString &key) const
{
    const std::optional<QVariant> value = objectForKey(key);
    if (!value)
        return false;
    switch (value->typeId()) {
    case QMetaType::LongLong:
        return value->toLongLong() != 0;
    case QMetaType::Double:
        return value->toDouble() != 0.0;
    case QMetaType::QString:
        return textAsBool(value->toString());
    default:
        return false;
    }
}

std::optional<QByteArray> UserDefaults::dataForKey(const QString &key) const
{
    const std::optional<QVariant> value = objectForKey(key);
    if (!value || value->typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value->toByteArray();
}

bool UserDefaults::setString(const QString &key, const QString &value)
{
    return writeValue(key, QVariant(value.isNull() ? QString(QLatin1String("")) : value));
}

bool UserDefaults::setBool(const QString &key, bool value)
{
    return writeValue(key, QVariant(qlonglong(value ? 1 : 0)));
}

bool UserDefaults::setData(const QString &key, const QByteArray &value)
{
    QMutexLocker locker(&m_mutex);
    return mayReplace(key) && writeData(key, value);
}

bool UserDefaults::setObject(const QString &key, const QVariant &value)
{
    if (!value.isValid())
        return removeObject(key);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return setBool(key, value.toBool());
    case QMetaType::QByteArray:
        return setData(key, value.toByteArray());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return writeValue(key, QVariant(value.toLongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return writeValue(key, QVariant(value.toDouble()));
    default:
        return setString(key, value.toString());
    }
}

bool UserDefaults::removeObject(const QString &key)
{
    QMutexLocker locker(&m_mutex);
    if (!mayReplace(key))
        return false;
    if (ensureOpen()) {
        SqliteStatement remove(m_db, "DELETE FROM defaults WHERE key = ?1");
        if (remove) {
            remove.bindText(1, key);
            if (sqlite3_step(remove.get()) == SQLITE_DONE) {
                emptyLog();
                return true;
            }
        }
    }
    logWriteFailure(key, failureText());
    return false;
}

bool UserDefaults::renameKey(const QString &from, const QString &to)
{
    QMutexLocker locker(&m_mutex);
    if (!mayReplace(from) || !mayReplace(to))
        return false;
    if (ensureOpen() && execute("BEGIN IMMEDIATE")) {
        SqliteStatement remove(
            m_db, "DELETE FROM defaults WHERE key = ?2 AND EXISTS (SELECT 1 FROM defaults WHERE key = ?1)");
        SqliteStatement rename(m_db, "UPDATE defaults SET key = ?2 WHERE key = ?1");
        if (remove && rename) {
            remove.bindText(1, from);
            remove.bindText(2, to);
            rename.bindText(1, from);
            rename.bindText(2, to);
            if (sqlite3_step(remove.get()) == SQLITE_DONE && sqlite3_step(rename.get()) == SQLITE_DONE
                && execute("COMMIT")) {
                emptyLog();
                return true;
            }
        }
        const QString reason = failureText();
        execute("ROLLBACK");
        logWriteFailure(to, reason);
        return false;
    }
    logWriteFailure(to, failureText());
    return false;
}

bool UserDefaults::mayReplace(const QString &key)
{
    if (!m_unreadKeys.contains(key))
        return true;
    logWriteFailure(key, QStringLiteral("its stored value could not be read, so it is not replaced"));
    return false;
}

bool UserDefaults::writeValue(const QString &key, const QVariant &value)
{
    QMutexLocker locker(&m_mutex);
    if (!mayReplace(key))
        return false;
    std::optional<QString> failure = ensureOpen() ? upsertValue(key, value) : failureText();
    if (!failure) {
        emptyLog();
        return true;
    }
    logWriteFailure(key, *failure);
    return false;
}

std::optional<QString> UserDefaults::upsertValue(const QString &key, const QVariant &value)
{
    SqliteStatement upsert(m_db,
        "INSERT INTO defaults(key, value) VALUES(?1, ?2) "
        "ON CONFLICT(key) DO UPDATE SET value = excluded.value");
    if (!upsert)
        return failureText();
    upsert.bindText(1, key);
    if (value.typeId() == QMetaType::QString)
        upsert.bindText(2, value.toString());
    else if (value.typeId() == QMetaType::Double)
        sqlite3_bind_double(upsert.get(), 2, value.toDouble());
    else
        sqlite3_bind_int64(upsert.get(), 2, value.toLongLong());
    if (sqlite3_step(upsert.get()) != SQLITE_DONE)
        return failureText();
    return std::nullopt;
}

bool UserDefaults::setObjects(const QList<std::pair<QString, QVariant>> &values, QStringList *notWritten)
{
    QMutexLocker locker(&m_mutex);
    QList<std::pair<QString, QVariant>> writable;
    QStringList unwritten;
    for (const auto &entry : values) {
        if (mayReplace(entry.first))
            writable.append(entry);
        else
            unwritten.append(entry.first);
    }
    const auto done = [&](bool written) {
        if (!written) {
            for (const auto &entry : std::as_const(writable)) {
                unwritten.append(entry.first);
            }
        }
        if (notWritten)
            *notWritten = unwritten;
        return unwritten.isEmpty();
    };
    if (writable.isEmpty())
        return done(true);
    const auto fail = [&](const QString &reason) {
        for (const auto &entry : std::as_const(writable))
            logWriteFailure(entry.first, reason);
        return done(false);
    };
    if (!ensureOpen() || !execute("BEGIN IMMEDIATE"))
        return fail(failureText());
    for (const auto &[key, value] : std::as_const(writable)) {
        if (const std::optional<QString> failure = storeObject(key, value)) {
            execute("ROLLBACK");
            return fail(*failure);
        }
    }
    if (!execute("COMMIT")) {
        // The reason is taken before the rollback, which would clear it.
        const QString reason = failureText();
        execute("ROLLBACK");
        return fail(reason);
    }
    emptyLog();
    return done(true);
}

std::optional<QString> UserDefaults::storeObject(const QString &key, const QVariant &value)
{
    if (!value.isValid()) {
        SqliteStatement remove(m_db, "DELETE FROM defaults WHERE key = ?1");
        if (!remove)
            return failureText();
        remove.bindText(1, key);
        if (sqlite3_step(remove.get()) != SQLITE_DONE)
            return failureText();
        return std::nullopt;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        return upsertValue(key, QVariant(qlonglong(value.toBool() ? 1 : 0)));
    case QMetaType::QByteArray:
        return replaceData(key, value.toByteArray());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return upsertValue(key, QVariant(value.toLongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return upsertValue(key, QVariant(value.toDouble()));
    default: {
        const QString text = value.toString();
        return upsertValue(key, QVariant(text.isNull() ? QString(QLatin1String("")) : text));
    }
    }
}

bool UserDefaults::writeData(const QString &key, const QByteArray &value)
{
    if (!ensureOpen() || !execute("BEGIN IMMEDIATE")) {
        logWriteFailure(key, failureText());
        return false;
    }
    std::optional<QString> failure = replaceData(key, value);
    if (!failure && !execute("COMMIT"))
        failure = failureText();
    if (failure) {
        // The reason is taken before the rollback, which would clear it.
        execute("ROLLBACK");
        logWriteFailure(key, *failure);
        return false;
    }
    emptyLog();
    return true;
}

std::optional<QString> UserDefaults::replaceData(const QString &key, const QByteArray &value)
{
    // Room for the value is made first, then the bytes are copied into it
    // piece by piece; the caller's transaction makes the two one change.
    //
    // SQLite puts a value of another size than the stored one into free
    // pages (or at the end of the file) and only then frees the old value's,
    // so that none of the new pages needs a copy in the journal. A value of
    // the same size is overwritten in place, each old page copied to the
    // journal first: slower, just as safe.
    SqliteStatement upsert(m_db,
        "INSERT INTO defaults(key, value) VALUES(?1, zeroblob(?2)) "
        "ON CONFLICT(key) DO UPDATE SET value = excluded.value RETURNING rowid");
    if (!upsert)
        return failureText();
    upsert.bindText(1, key);
    sqlite3_bind_int64(upsert.get(), 2, value.size());
    if (sqlite3_step(upsert.get()) != SQLITE_ROW)
        return failureText();
    const sqlite3_int64 rowid = sqlite3_column_int64(upsert.get(), 0);
    if (sqlite3_step(upsert.get()) != SQLITE_DONE)
        return failureText();
    if (value.isEmpty())
        return std::nullopt;

    sqlite3_blob *blob = nullptr;
    if (sqlite3_blob_open(m_db, "main", "defaults", "value", rowid, 1, &blob) != SQLITE_OK) {
        const QString failure = failureText();
        sqlite3_blob_close(blob);
        return failure;
    }
    for (qsizetype offset = 0; offset < value.size(); offset += blobChunkSize) {
        const int chunk = int(qMin<qsizetype>(blobChunkSize, value.size() - offset));
        if (sqlite3_blob_write(blob, value.constData() + offset, chunk, int(offset)) != SQLITE_OK) {
            // Closing the handle resets the connection's error: read it first.
            const QString failure = failureText();
            sqlite3_blob_close(blob);
            return failure;
        }
    }
    if (sqlite3_blob_close(blob) != SQLITE_OK)
        return failureText();
    return std::nullopt;
}

void UserDefaults::logWriteFailure(const QString &key, const QString &reason) const
{
    Log::line(
        QStringLiteral("❌ Could not save \"%1\" in the settings store %2: %3").arg(key, m_path, reason));
}
