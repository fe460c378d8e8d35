#include "UserDefaults.h"

#include "FreshMemory.h"
#include "Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QStandardPaths>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int busyTimeoutMs = 2000;
// Large values are written and read in pieces straight between the caller's
// buffer and the file, so that a value is never held twice in memory.
constexpr int blobChunkSize = 4 * 1024 * 1024;

class Statement
{
public:
    Statement(sqlite3 *db, const char *sql)
    {
        if (db)
            sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    explicit operator bool() const { return m_stmt != nullptr; }
    sqlite3_stmt *get() const { return m_stmt; }

    void bindText(int index, const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(
            m_stmt, index, utf8.isNull() ? "" : utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

bool isUnreadableFileError(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
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
{
    open();
}

UserDefaults::~UserDefaults()
{
    closeDatabase();
}

void UserDefaults::open()
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        Log::line(QStringLiteral("❌ Could not create the settings folder %1").arg(folder));
        return;
    }
    ::chmod(QFile::encodeName(folder).constData(), 0700);

    const QByteArray nativePath = QFile::encodeName(m_path);
    const int fd = ::open(nativePath.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    }

    if (openDatabase())
        return;
    if (m_db && isUnreadableFileError(sqlite3_extended_errcode(m_db))) {
        closeDatabase();
        setAsideUnreadableFile();
        if (openDatabase())
            return;
    }
    Log::line(
        QStringLiteral("❌ Could not open the settings store %1: %2")
            .arg(m_path, m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("no database")));
    closeDatabase();
}

bool UserDefaults::openDatabase()
{
    const QByteArray nativePath = QFile::encodeName(m_path);
    if (sqlite3_open_v2(nativePath.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK)
        return false;
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    // Large pages for a new file: a value of a hundred megabytes (the saved
    // conversations with their screenshots) then takes a sixteenth of the
    // page reads and writes. An existing file keeps its page size.
    execute("PRAGMA page_size = 65536");
    // What a write removes from the table's pages is overwritten with zeros,
    // but the pages a large value is freed from are left as they are, for
    // later writes to reuse. Erasing them (Debian's default, "ON") means
    // copying each into the journal and writing it again as zeros: for the
    // saved conversations, a hundred megabytes on every save, which more
    // than doubled the time a save took.
    execute("PRAGMA secure_delete = FAST");
    return execute("CREATE TABLE IF NOT EXISTS defaults(key TEXT PRIMARY KEY NOT NULL, value)");
}

void UserDefaults::closeDatabase()
{
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void UserDefaults::setAsideUnreadableFile()
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = m_path + QLatin1String(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = m_path + QLatin1String(".unreadable-") + stamp + QLatin1Char('-') + QString::number(n);

    if (!QFile::rename(m_path, aside)) {
        Log::line(
            QStringLiteral("❌ The settings store %1 is unreadable and could not be moved aside").arg(m_path));
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
    Log::line(QStringLiteral(
        "⚠️ The settings store %1 could not be read; it was moved to %2 and a new one started")
                  .arg(m_path, aside));
}

bool UserDefaults::execute(const char *sql)
{
    return m_db && sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<QVariant> UserDefaults::objectForKey(const QString &key) const
{
    QMutexLocker locker(&m_mutex);
    Statement select(m_db, "SELECT rowid, typeof(value), length(value) FROM defaults WHERE key = ?1");
    if (!select)
        return std::nullopt;
    select.bindText(1, key);
    if (sqlite3_step(select.get()) != SQLITE_ROW)
        return std::nullopt;

    const sqlite3_int64 rowid = sqlite3_column_int64(select.get(), 0);
    const QByteArray type(reinterpret_cast<const char *>(sqlite3_column_text(select.get(), 1)));
    const sqlite3_int64 length = sqlite3_column_int64(select.get(), 2);

    if (type == "blob") {
        QByteArray bytes(qsizetype(length), Qt::Uninitialized);
        FreshMemory::prepareForWriting(bytes.data(), bytes.size());
        if (length == 0)
            return QVariant(QByteArray(""));
        sqlite3_blob *blob = nullptr;
        if (sqlite3_blob_open(m_db, "main", "defaults", "value", rowid, 0, &blob) != SQLITE_OK) {
            sqlite3_blob_close(blob);
            return std::nullopt;
        }
        bool complete = true;
        for (sqlite3_int64 offset = 0; offset < length && complete; offset += blobChunkSize) {
            const int chunk = int(qMin<sqlite3_int64>(blobChunkSize, length - offset));
            complete = sqlite3_blob_read(blob, bytes.data() + offset, chunk, int(offset)) == SQLITE_OK;
        }
        sqlite3_blob_close(blob);
        if (!complete)
            return std::nullopt;
        return QVariant(bytes);
    }

    Statement value(m_db, "SELECT value FROM defaults WHERE rowid = ?1");
    sqlite3_bind_int64(value.get(), 1, rowid);
    if (sqlite3_step(value.get()) != SQLITE_ROW)
        return std::nullopt;
    if (type == "text") {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(value.get(), 0));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(value.get(), 0)));
    }
    if (type == "integer")
        return QVariant(qlonglong(sqlite3_column_int64(value.get(), 0)));
    if (type == "real")
        return QVariant(sqlite3_column_double(value.get(), 0));
    return std::nullopt; // a stored NULL is no value
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
    return writeData(key, value);
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
    Statement remove(m_db, "DELETE FROM defaults WHERE key = ?1");
    if (remove) {
        remove.bindText(1, key);
        if (sqlite3_step(remove.get()) == SQLITE_DONE)
            return true;
    }
    logWriteFailure(key);
    return false;
}

bool UserDefaults::writeValue(const QString &key, const QVariant &value)
{
    QMutexLocker locker(&m_mutex);
    Statement upsert(m_db,
        "INSERT INTO defaults(key, value) VALUES(?1, ?2) "
        "ON CONFLICT(key) DO UPDATE SET value = excluded.value");
    if (upsert) {
        upsert.bindText(1, key);
        if (value.typeId() == QMetaType::QString)
            upsert.bindText(2, value.toString());
        else if (value.typeId() == QMetaType::Double)
            sqlite3_bind_double(upsert.get(), 2, value.toDouble());
        else
            sqlite3_bind_int64(upsert.get(), 2, value.toLongLong());
        if (sqlite3_step(upsert.get()) == SQLITE_DONE)
            return true;
    }
    logWriteFailure(key);
    return false;
}

bool UserDefaults::writeData(const QString &key, const QByteArray &value)
{
    if (!execute("BEGIN IMMEDIATE")) {
        logWriteFailure(key);
        return false;
    }
    const bool written = replaceData(key, value) && execute("COMMIT");
    if (!written) {
        logWriteFailure(key);
        execute("ROLLBACK");
    }
    return written;
}

bool UserDefaults::replaceData(const QString &key, const QByteArray &value)
{
    // Room for the value is made first, then the bytes are copied into it
    // piece by piece; the caller's transaction makes the two one change.
    //
    // SQLite puts a value of another size than the stored one into free
    // pages (or at the end of the file) and only then frees the old value's,
    // so that none of the new pages needs a copy in the journal. A value of
    // the same size is overwritten in place, each old page copied to the
    // journal first: slower, just as safe, and rare, since every save of the
    // conversations adds or removes one.
    Statement upsert(m_db,
        "INSERT INTO defaults(key, value) VALUES(?1, zeroblob(?2)) "
        "ON CONFLICT(key) DO UPDATE SET value = excluded.value RETURNING rowid");
    if (!upsert)
        return false;
    upsert.bindText(1, key);
    sqlite3_bind_int64(upsert.get(), 2, value.size());
    if (sqlite3_step(upsert.get()) != SQLITE_ROW)
        return false;
    const sqlite3_int64 rowid = sqlite3_column_int64(upsert.get(), 0);
    if (sqlite3_step(upsert.get()) != SQLITE_DONE)
        return false;
    if (value.isEmpty())
        return true;

    sqlite3_blob *blob = nullptr;
    bool written = sqlite3_blob_open(m_db, "main", "defaults", "value", rowid, 1, &blob) == SQLITE_OK;
    for (qsizetype offset = 0; written && offset < value.size(); offset += blobChunkSize) {
        const int chunk = int(qMin<qsizetype>(blobChunkSize, value.size() - offset));
        written = sqlite3_blob_write(blob, value.constData() + offset, chunk, int(offset)) == SQLITE_OK;
    }
    sqlite3_blob_close(blob);
    return written;
}

void UserDefaults::logWriteFailure(const QString &key) const
{
    Log::line(
        QStringLiteral("❌ Could not save \"%1\" in the settings store %2: %3")
            .arg(key, m_path, m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("not open")));
}
