#include "UserDefaults.h"

#include "ConversationTable.h"
#include "FreshMemory.h"
#include "Log.h"
#include "SqliteStatement.h"
#include "StoreSalvage.h"
#include "StoreSchema.h"
#include "StoreWaitLimit.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Large values are written and read in pieces straight between the caller's
// buffer and the file, so that a value is never held twice in memory.
constexpr int blobChunkSize = 4 * 1024 * 1024;

// An erase that failed is tried again after a second, then less and less
// often.
constexpr std::chrono::seconds firstEraseRetry { 1 };
constexpr std::chrono::seconds longestEraseRetry { 30 };

bool isUnreadableFileError(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

bool isBusyError(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

// The first line of what SQLite's integrity check says, without the header
// that names the database.
QString firstFinding(const QString &verdict)
{
    for (const QString &line : verdict.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (!line.startsWith(QLatin1String("***")))
            return line;
    }
    return verdict;
}

QString quotedKeys(const QStringList &keys)
{
    QStringList quoted;
    for (const QString &key : keys)
        quoted.append(QLatin1Char('"') + key + QLatin1Char('"'));
    return quoted.join(QLatin1String(", "));
}

bool writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
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
    {
        const std::lock_guard<std::mutex> guard(m_eraseMutex);
        m_closing = true;
    }
    m_eraseWake.notify_all();
    if (m_eraseRetry.joinable())
        m_eraseRetry.join();
    closeDatabase();
}

std::unique_lock<QMutex> UserDefaults::lockStore() const
{
    const std::optional<std::chrono::steady_clock::time_point> deadline = StoreWaitLimit::deadline();
    if (!deadline)
        return std::unique_lock<QMutex>(m_mutex);
    std::unique_lock<QMutex> lock(m_mutex, std::defer_lock);
    lock.try_lock_until(*deadline);
    return lock;
}

UserDefaults::Failure UserDefaults::storeInUse()
{
    return { QStringLiteral("another part of Pexilo is using the settings store"), true };
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
        m_openFailedBusy = false;
    } else if (QDir().mkpath(folder)) {
        ::chmod(QFile::encodeName(folder).constData(), 0700);
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::fchmod(fd, 0600);
            ::close(fd);
        }
        Opening opening = openDatabase(&failure);
        if (opening == Opening::Unusable) {
            // A read that failed for a moment (SQLite reports some failed
            // reads as damage) is no reason to start a new file: it is
            // started only when a second look finds the same.
            closeDatabase();
            opening = openDatabase(&failure);
            if (opening == Opening::Unusable && replaceUnusableFile(failure))
                opening = openDatabase(&failure);
        }
        if (opening == Opening::Opened) {
            m_openFailure.clear();
            m_openFailedBusy = false;
            return true;
        }
        m_openFailedBusy = m_db && isBusyError(sqlite3_extended_errcode(m_db));
        closeDatabase();
    } else {
        failure = QStringLiteral("the folder %1 could not be created").arg(folder);
        m_openFailedBusy = false;
    }
    // Tried again at the next call; each reason is said once.
    if (failure != m_openFailure) {
        Log::line(QStringLiteral("❌ Could not open the settings store %1: %2").arg(m_path, failure));
        m_openFailure = failure;
    }
    return false;
}

UserDefaults::Opening UserDefaults::openDatabase(QString *failure) const
{
    const QByteArray nativePath = QFile::encodeName(m_path);
    if (sqlite3_open_v2(nativePath.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        *failure = m_db ? failureText() : QStringLiteral("out of memory");
        return Opening::Failed;
    }
    sqlite3_extended_result_codes(m_db, 1);
    StoreWaitLimit::install(m_db);
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

    const auto failed = [&]() {
        if (!isUnreadableFileError(sqlite3_extended_errcode(m_db))) {
            *failure = failureText();
            return Opening::Failed;
        }
        *failure = QStringLiteral("it is damaged: %1").arg(failureText());
        return Opening::Unusable;
    };

    // A file that opens may still be damaged: repaired where SQLite can (a
    // damaged index is built again from its table), it is used as it is.
    std::optional<QString> verdict = checkIntegrity();
    if (!verdict)
        return failed();
    if (*verdict != QLatin1String("ok")) {
        const QString finding = firstFinding(*verdict);
        // A page that could not be read now (an I/O error, no memory) is no
        // damage of the file.
        if (verdict->contains(QLatin1String("error code 10"))
            || verdict->contains(QLatin1String("error code 7"))) {
            *failure = finding;
            return Opening::Failed;
        }
        if (!execute("REINDEX")) {
            const Opening opening = failed();
            if (opening == Opening::Unusable)
                *failure = QStringLiteral("it is damaged: %1").arg(finding);
            return opening;
        }
        verdict = checkIntegrity();
        if (!verdict)
            return failed();
        if (*verdict != QLatin1String("ok")) {
            *failure = QStringLiteral("it is damaged: %1").arg(firstFinding(*verdict));
            return Opening::Unusable;
        }
        Log::line(
            QStringLiteral("⚠️ The settings store %1 was damaged (%2); its indexes were rebuilt and "
                           "nothing was lost")
                .arg(m_path, finding));
    }

    // A log left behind (a program killed before it emptied it) still holds
    // what its last writes replaced or deleted: it goes before anything else
    // is written. (The connection knows the file's log only once it has read
    // the file, as the check above does.) Another program reading the file
    // may keep it; that is tried again later rather than waited for here.
    if (QFileInfo(m_path + QLatin1String("-wal")).size() > 0) {
        const StoreWaitLimit noWait(std::chrono::milliseconds(0));
        QString reason;
        if (checkpoint(&reason))
            noteEraseComplete();
        else if (!isUnreadableFileError(sqlite3_extended_errcode(m_db)))
            noteEraseIncomplete(reason);
    }

    // Tables of its own that this program cannot use would fail every write
    // for ever; other tables (a later version's) are no concern of it.
    bool askFailed = false;
    if (const std::optional<QString> problem = StoreSchema::problem(m_db, &askFailed)) {
        *failure = *problem;
        return Opening::Unusable;
    }
    if (askFailed || !StoreSchema::createMissing(m_db))
        return failed();

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

    {
        // Neither is waited for when another program holds the file: both
        // are tried again at the next opening.
        const StoreWaitLimit noWait(std::chrono::milliseconds(0));
        StoreSchema::createIndexes(m_db);
        removeStrayThumbnails();
    }
    return Opening::Opened;
}

void UserDefaults::removeStrayThumbnails() const
{
    // What they showed is erased with them, as with their conversations:
    // the pages a picture spills onto in a file of small pages included.
    execute("PRAGMA secure_delete = ON");
    const std::optional<int> removed = ConversationTable::removeStrayThumbnails(m_db);
    execute("PRAGMA secure_delete = FAST");
    if (!removed || *removed == 0)
        return;
    QString reason;
    if (checkpoint(&reason))
        noteEraseComplete();
    else
        noteEraseIncomplete(reason);
}

std::optional<QString> UserDefaults::checkIntegrity() const
{
    SqliteStatement check(m_db, "PRAGMA quick_check");
    if (!check)
        return std::nullopt;
    QStringList findings;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(check.get())) == SQLITE_ROW)
        findings.append(
            QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(check.get(), 0))));
    if (step != SQLITE_DONE)
        return std::nullopt;
    return findings.join(QLatin1Char('\n'));
}

bool UserDefaults::checkpoint(QString *reason) const
{
    // In truncating mode it succeeds only when every page of the log is in
    // the file and the log is empty; in any other case it reports the
    // failure (another connection reads an older state, or writes).
    if (sqlite3_wal_checkpoint_v2(m_db, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr) == SQLITE_OK)
        return true;
    *reason = failureText();
    return false;
}

void UserDefaults::emptyLog() const
{
    // What a write replaced or removed is overwritten in the file only once
    // the log is copied into it; the log itself still holds earlier versions
    // of the pages until it is emptied. Neither is left behind: a reader of
    // an older state (another program) that keeps the log is waited for, and
    // then the emptying is tried again until it succeeds.
    QString reason;
    if (checkpoint(&reason))
        noteEraseComplete();
    else
        noteEraseIncomplete(reason);
}

void UserDefaults::noteEraseIncomplete(const QString &reason) const
{
    std::lock_guard<std::mutex> guard(m_eraseMutex);
    if (m_closing)
        return;
    if (!m_erasePending) {
        m_erasePending = true;
        Log::line(
            QStringLiteral("⚠️ The settings store %1 could not empty its log (%2): what was deleted or "
                           "replaced may stay readable in %1-wal until it does; trying again")
                .arg(m_path, reason));
    }
    if (m_eraseRetryRunning)
        return;
    if (m_eraseRetry.joinable())
        m_eraseRetry.join(); // it has ended, or is about to
    m_eraseRetryRunning = true;
    m_eraseRetry = std::thread([this] { retryErase(); });
}

void UserDefaults::noteEraseComplete() const
{
    {
        std::lock_guard<std::mutex> guard(m_eraseMutex);
        if (!m_erasePending)
            return;
        m_erasePending = false;
    }
    m_eraseWake.notify_all();
    Log::line(
        QStringLiteral("🗑️ The settings store %1 has emptied its log: what was deleted or replaced is "
                       "erased")
            .arg(m_path));
}

bool UserDefaults::isErasePending() const
{
    const std::lock_guard<std::mutex> guard(m_eraseMutex);
    return m_erasePending;
}

void UserDefaults::retryErase() const
{
    std::chrono::seconds delay = firstEraseRetry;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_eraseMutex);
            m_eraseWake.wait_for(lock, delay, [this] { return m_closing || !m_erasePending; });
            if (m_closing || !m_erasePending) {
                m_eraseRetryRunning = false;
                return;
            }
        }
        delay = std::min(delay * 2, longestEraseRetry);
        const std::lock_guard<QMutex> locker(m_mutex);
        // A store that is not open empties its log as it opens.
        if (!ensureOpen())
            continue;
        // Never waited for: a reader that holds the log is met again later.
        const StoreWaitLimit noWait(std::chrono::milliseconds(0));
        QString reason;
        if (checkpoint(&reason))
            noteEraseComplete();
    }
}

void UserDefaults::closeDatabase() const
{
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

QString UserDefaults::pathAside() const
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = m_path + QLatin1String(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = m_path + QLatin1String(".unreadable-") + stamp + QLatin1Char('-') + QString::number(n);
    return aside;
}

bool UserDefaults::replaceUnusableFile(const QString &problem) const
{
    const QString fresh = m_path + QLatin1String(".salvage");
    QString error;
    const std::optional<StoreSalvage::Outcome> salvaged = StoreSalvage::copyReadableRows(m_db, fresh, &error);
    closeDatabase();
    if (!salvaged) {
        Log::line(
            QStringLiteral("❌ The settings store %1 cannot be used (%2), and no new one could be started "
                           "from it: %3")
                .arg(m_path, problem, error));
        return false;
    }

    // The old file stays where it is until the new one takes its place in
    // one step: a program killed in between finds the old one again. A log
    // and an index of shared memory beside it belong to it.
    const QString aside = pathAside();
    const QByteArray nativePath = QFile::encodeName(m_path);
    if (::link(nativePath.constData(), QFile::encodeName(aside).constData()) != 0
        && !QFile::rename(m_path, aside)) {
        QFile::remove(fresh);
        Log::line(QStringLiteral("❌ The settings store %1 cannot be used (%2) and could not be moved aside")
                      .arg(m_path, problem));
        return false;
    }
    for (const char *sidecar : { "-journal", "-wal", "-shm" }) {
        const QString from = m_path + QLatin1String(sidecar);
        if (QFileInfo::exists(from))
            QFile::rename(from, aside + QLatin1String(sidecar));
    }
    if (::rename(QFile::encodeName(fresh).constData(), nativePath.constData()) != 0) {
        QFile::remove(fresh);
        const int fd = ::open(nativePath.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::close(fd);
    }

    const StoreSalvage::Outcome &outcome = *salvaged;
    if (outcome.unreadable) {
        Log::line(QStringLiteral(
            "⚠️ The settings store %1 could not be read (%2); it was moved to %3 and a new "
            "one started")
                      .arg(m_path, problem, aside));
        return true;
    }
    QString line
        = QStringLiteral("⚠️ The settings store %1 could not be used as it was (%2); it was moved to %3 "
                         "and a new one started with what could still be read: %4 settings and %5 "
                         "conversations, skipping %6 settings and %7 conversations that could not be "
                         "read")
              .arg(m_path, problem, aside)
              .arg(outcome.settingsKept)
              .arg(outcome.conversationsKept)
              .arg(outcome.settingsLost)
              .arg(outcome.conversationsLost);
    for (const QString &table : outcome.tablesLost)
        line += QStringLiteral("; nothing of its table \"%1\" could be read").arg(table);
    Log::line(line);
    return true;
}

bool UserDefaults::execute(const char *sql) const
{
    return m_db && sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

UserDefaults::Failure UserDefaults::failure() const
{
    if (!m_db)
        return { m_openFailure.isEmpty() ? QStringLiteral("not open") : m_openFailure, m_openFailedBusy };
    return { QString::fromUtf8(sqlite3_errmsg(m_db)), isBusyError(sqlite3_extended_errcode(m_db)) };
}

StoredValue UserDefaults::failedRead() const
{
    const Failure failed = failure();
    if (failed.busy) {
        StoreWaitLimit::noteBusy();
        return StoredValue::busy(failed.reason);
    }
    return StoredValue::failure(failed.reason);
}

void UserDefaults::logReadFailure(const QStringList &keys, const StoredValue &failure) const
{
    Log::line(QStringLiteral("❌ Could not read %1 from the settings store %2: %3")
                  .arg(quotedKeys(keys), m_path, failure.failureReason()));
}

StoredValue UserDefaults::valueForKey(const QString &key) const
{
    const std::unique_lock<QMutex> lock = lockStore();
    const StoredValue value = lock.owns_lock() ? readValue(key) : StoredValue::busy(storeInUse().reason);
    if (value.isFailure()) {
        if (value.isBusy())
            StoreWaitLimit::noteBusy();
        m_unreadKeys.insert(key);
        logReadFailure({ key }, value);
    } else {
        m_unreadKeys.remove(key);
    }
    return value;
}

StoredValues UserDefaults::valuesForKeys(const QStringList &keys) const
{
    const std::unique_lock<QMutex> lock = lockStore();
    std::optional<StoredValue> failed;
    StoredValues values;
    if (!lock.owns_lock()) {
        failed = StoredValue::busy(storeInUse().reason);
        StoreWaitLimit::noteBusy();
    } else if (!ensureOpen() || !execute("BEGIN")) {
        failed = failedRead();
    } else {
        for (const QString &key : keys) {
            const StoredValue value = readRow(key);
            if (value.isFailure()) {
                failed = value;
                break;
            }
            values.insert(key, value);
        }
        execute(failed ? "ROLLBACK" : "COMMIT");
    }
    if (failed) {
        for (const QString &key : keys)
            m_unreadKeys.insert(key);
        logReadFailure(keys, *failed);
        return StoredValues::failed(*failed);
    }
    for (const QString &key : keys)
        m_unreadKeys.remove(key);
    return values;
}

StoredValue UserDefaults::readValue(const QString &key) const
{
    if (!ensureOpen())
        return failedRead();
    // One read transaction, so that the two statements see the same value.
    if (!execute("BEGIN"))
        return failedRead();
    const StoredValue value = readRow(key);
    execute(value.isFailure() ? "ROLLBACK" : "COMMIT");
    return value;
}

StoredValue UserDefaults::readRow(const QString &key) const
{
    SqliteStatement select(m_db, "SELECT rowid, typeof(value), length(value) FROM defaults WHERE key = ?1");
    if (!select)
        return failedRead();
    select.bindText(1, key);
    const int step = sqlite3_step(select.get());
    if (step == SQLITE_DONE)
        return StoredValue::absent();
    if (step != SQLITE_ROW)
        return failedRead();

    const sqlite3_int64 rowid = sqlite3_column_int64(select.get(), 0);
    const QByteArray type(reinterpret_cast<const char *>(sqlite3_column_text(select.get(), 1)));
    const sqlite3_int64 length = sqlite3_column_int64(select.get(), 2);

    if (type == "blob") {
        if (length == 0)
            return StoredValue::of(QVariant(QByteArray("")));
        QByteArray bytes(qsizetype(length), Qt::Uninitialized);
        FreshMemory::prepareForWriting(bytes.data(), bytes.size());
        sqlite3_blob *blob = nullptr;
        if (sqlite3_blob_open(m_db, "main", "defaults", "value", rowid, 0, &blob) != SQLITE_OK) {
            const StoredValue failure = failedRead();
            sqlite3_blob_close(blob);
            return failure;
        }
        for (sqlite3_int64 offset = 0; offset < length; offset += blobChunkSize) {
            const int chunk = int(qMin<sqlite3_int64>(blobChunkSize, length - offset));
            if (sqlite3_blob_read(blob, bytes.data() + offset, chunk, int(offset)) != SQLITE_OK) {
                const StoredValue failure = failedRead();
                sqlite3_blob_close(blob);
                return failure;
            }
        }
        sqlite3_blob_close(blob);
        return StoredValue::of(QVariant(bytes));
    }

    SqliteStatement value(m_db, "SELECT value FROM defaults WHERE rowid = ?1");
    if (!value)
        return failedRead();
    sqlite3_bind_int64(value.get(), 1, rowid);
    const int valueStep = sqlite3_step(value.get());
    if (valueStep == SQLITE_DONE)
        return StoredValue::absent();
    if (valueStep != SQLITE_ROW)
        return failedRead();
    if (type == "text") {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(value.get(), 0));
        return StoredValue::of(QVariant(QString::fromUtf8(text, sqlite3_column_bytes(value.get(), 0))));
    }
    if (type == "integer")
        return StoredValue::of(QVariant(qlonglong(sqlite3_column_int64(value.get(), 0))));
    if (type == "real")
        return StoredValue::of(QVariant(sqlite3_column_double(value.get(), 0)));
    return StoredValue::absent(); // a stored NULL is no value
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
    return valueForKey(key).text();
}

bool UserDefaults::boolForKey(const QString &key) const
{
    return valueForKey(key).toBool();
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
    const std::unique_lock<QMutex> lock = lockStore();
    if (!lock.owns_lock()) {
        logWriteFailure(key, storeInUse());
        return false;
    }
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
    const std::unique_lock<QMutex> lock = lockStore();
    if (!lock.owns_lock()) {
        logWriteFailure(key, storeInUse());
        return false;
    }
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
    logWriteFailure(key, failure());
    return false;
}

bool UserDefaults::moveValueToFile(const QString &key, const QString &filePath, QString *error)
{
    const auto fail = [&](const Failure &reason) {
        logWriteFailure(key, reason);
        if (error)
            *error = reason.reason;
        return false;
    };
    const std::unique_lock<QMutex> lock = lockStore();
    if (!lock.owns_lock())
        return fail(storeInUse());
    if (!mayReplace(key)) {
        if (error)
            *error = QStringLiteral("its stored value could not be read");
        return false;
    }
    if (!ensureOpen())
        return fail(failure());
    if (const std::optional<QString> notWritten = writeValueToFile(key, filePath))
        return fail({ *notWritten, false });

    // The value leaves no bytes behind, the pages it spilled onto included:
    // they are overwritten as they are freed.
    execute("PRAGMA secure_delete = ON");
    bool removed = false;
    Failure reason;
    if (execute("BEGIN IMMEDIATE")) {
        SqliteStatement remove(m_db, "DELETE FROM defaults WHERE key = ?1");
        if (remove) {
            remove.bindText(1, key);
            removed = sqlite3_step(remove.get()) == SQLITE_DONE && execute("COMMIT");
        }
        if (!removed) {
            reason = failure();
            execute("ROLLBACK");
        }
    } else {
        reason = failure();
    }
    execute("PRAGMA secure_delete = FAST");
    if (!removed) {
        // One copy only: the value stays where it was.
        QFile::remove(filePath);
        return fail(reason);
    }
    emptyLog();
    return true;
}

std::optional<QString> UserDefaults::writeValueToFile(const QString &key, const QString &filePath)
{
    // Written under another name and renamed when complete, so that a
    // program killed on the way leaves no half a value that looks whole.
    const QString partial = filePath + QLatin1String(".part");
    const QByteArray nativePartial = QFile::encodeName(partial);
    ::unlink(nativePartial.constData());
    const int fd = ::open(nativePartial.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return QString::fromLocal8Bit(strerror(errno));
    const auto failed = [&](const QString &reason) -> std::optional<QString> {
        ::close(fd);
        ::unlink(nativePartial.constData());
        return reason;
    };

    if (!execute("BEGIN"))
        return failed(failureText());
    std::optional<QString> readFailure;
    {
        SqliteStatement select(
            m_db, "SELECT rowid, typeof(value), length(value) FROM defaults WHERE key = ?1");
        select.bindText(1, key);
        const int step = select ? sqlite3_step(select.get()) : SQLITE_ERROR;
        const QByteArray type(
            step == SQLITE_ROW ? reinterpret_cast<const char *>(sqlite3_column_text(select.get(), 1)) : "");
        if (step == SQLITE_DONE || type == "null") {
            readFailure = QStringLiteral("nothing is stored under it");
        } else if (step != SQLITE_ROW) {
            readFailure = failureText();
        } else if (type == "blob") {
            // Copied piece by piece from the file: a large value is never
            // held in memory whole.
            const sqlite3_int64 rowid = sqlite3_column_int64(select.get(), 0);
            const sqlite3_int64 length = sqlite3_column_int64(select.get(), 2);
            sqlite3_blob *blob = nullptr;
            if (length > 0
                && sqlite3_blob_open(m_db, "main", "defaults", "value", rowid, 0, &blob) != SQLITE_OK) {
                readFailure = failureText();
            } else {
                QByteArray buffer(int(qMin<sqlite3_int64>(blobChunkSize, length)), Qt::Uninitialized);
                for (sqlite3_int64 offset = 0; offset < length && !readFailure; offset += blobChunkSize) {
                    const int chunk = int(qMin<sqlite3_int64>(blobChunkSize, length - offset));
                    if (sqlite3_blob_read(blob, buffer.data(), chunk, int(offset)) != SQLITE_OK)
                        readFailure = failureText();
                    else if (!writeAll(fd, buffer.constData(), chunk))
                        readFailure = QString::fromLocal8Bit(strerror(errno));
                }
            }
            sqlite3_blob_close(blob);
        } else {
            // A text (in UTF-8) or a number (as its decimal text).
            SqliteStatement value(m_db, "SELECT value FROM defaults WHERE rowid = ?1");
            sqlite3_bind_int64(value.get(), 1, sqlite3_column_int64(select.get(), 0));
            if (!value || sqlite3_step(value.get()) != SQLITE_ROW) {
                readFailure = failureText();
            } else {
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(value.get(), 0));
                if (!writeAll(fd, text, sqlite3_column_bytes(value.get(), 0)))
                    readFailure = QString::fromLocal8Bit(strerror(errno));
            }
        }
    }
    execute("COMMIT");
    if (readFailure)
        return failed(*readFailure);
    if (::fsync(fd) != 0)
        return failed(QString::fromLocal8Bit(strerror(errno)));
    ::close(fd);
    if (::rename(nativePartial.constData(), QFile::encodeName(filePath).constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(strerror(errno));
        ::unlink(nativePartial.constData());
        return reason;
    }
    return std::nullopt;
}

bool UserDefaults::mayReplace(const QString &key)
{
    if (!m_unreadKeys.contains(key))
        return true;
    logWriteFailure(
        key, { QStringLiteral("its stored value could not be read, so it is not replaced"), false });
    return false;
}

bool UserDefaults::writeValue(const QString &key, const QVariant &value)
{
    const std::unique_lock<QMutex> lock = lockStore();
    if (!lock.owns_lock()) {
        logWriteFailure(key, storeInUse());
        return false;
    }
    if (!mayReplace(key))
        return false;
    const std::optional<Failure> failed = ensureOpen() ? upsertValue(key, value) : failure();
    if (!failed) {
        emptyLog();
        return true;
    }
    logWriteFailure(key, *failed);
    return false;
}

std::optional<UserDefaults::Failure> UserDefaults::upsertValue(const QString &key, const QVariant &value)
{
    SqliteStatement upsert(m_db,
        "INSERT INTO defaults(key, value) VALUES(?1, ?2) "
        "ON CONFLICT(key) DO UPDATE SET value = excluded.value");
    if (!upsert)
        return failure();
    upsert.bindText(1, key);
    if (value.typeId() == QMetaType::QString)
        upsert.bindText(2, value.toString());
    else if (value.typeId() == QMetaType::Double)
        sqlite3_bind_double(upsert.get(), 2, value.toDouble());
    else
        sqlite3_bind_int64(upsert.get(), 2, value.toLongLong());
    if (sqlite3_step(upsert.get()) != SQLITE_DONE)
        return failure();
    return std::nullopt;
}

bool UserDefaults::setObjects(const QList<std::pair<QString, QVariant>> &values, QStringList *notWritten)
{
    const std::unique_lock<QMutex> lock = lockStore();
    QList<std::pair<QString, QVariant>> writable;
    QStringList unwritten;
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
    const auto fail = [&](const Failure &reason) {
        for (const auto &entry : std::as_const(writable))
            logWriteFailure(entry.first, reason);
        return done(false);
    };
    if (!lock.owns_lock()) {
        writable = values;
        return fail(storeInUse());
    }
    for (const auto &entry : values) {
        if (mayReplace(entry.first))
            writable.append(entry);
        else
            unwritten.append(entry.first);
    }
    if (writable.isEmpty())
        return done(true);
    if (!ensureOpen() || !execute("BEGIN IMMEDIATE"))
        return fail(failure());
    for (const auto &[key, value] : std::as_const(writable)) {
        if (const std::optional<Failure> failed = storeObject(key, value)) {
            execute("ROLLBACK");
            return fail(*failed);
        }
    }
    if (!execute("COMMIT")) {
        // The reason is taken before the rollback, which would clear it.
        const Failure reason = failure();
        execute("ROLLBACK");
        return fail(reason);
    }
    emptyLog();
    return done(true);
}

std::optional<UserDefaults::Failure> UserDefaults::storeObject(const QString &key, const QVariant &value)
{
    if (!value.isValid()) {
        SqliteStatement remove(m_db, "DELETE FROM defaults WHERE key = ?1");
        if (!remove)
            return failure();
        remove.bindText(1, key);
        if (sqlite3_step(remove.get()) != SQLITE_DONE)
            return failure();
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
        logWriteFailure(key, failure());
        return false;
    }
    std::optional<Failure> failed = replaceData(key, value);
    if (!failed && !execute("COMMIT"))
        failed = failure();
    if (failed) {
        // The reason is taken before the rollback, which would clear it.
        execute("ROLLBACK");
        logWriteFailure(key, *failed);
        return false;
    }
    emptyLog();
    return true;
}

std::optional<UserDefaults::Failure> UserDefaults::replaceData(const QString &key, const QByteArray &value)
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
        return failure();
    upsert.bindText(1, key);
    sqlite3_bind_int64(upsert.get(), 2, value.size());
    if (sqlite3_step(upsert.get()) != SQLITE_ROW)
        return failure();
    const sqlite3_int64 rowid = sqlite3_column_int64(upsert.get(), 0);
    if (sqlite3_step(upsert.get()) != SQLITE_DONE)
        return failure();
    if (value.isEmpty())
        return std::nullopt;

    sqlite3_blob *blob = nullptr;
    if (sqlite3_blob_open(m_db, "main", "defaults", "value", rowid, 1, &blob) != SQLITE_OK) {
        const Failure failed = failure();
        sqlite3_blob_close(blob);
        return failed;
    }
    for (qsizetype offset = 0; offset < value.size(); offset += blobChunkSize) {
        const int chunk = int(qMin<qsizetype>(blobChunkSize, value.size() - offset));
        if (sqlite3_blob_write(blob, value.constData() + offset, chunk, int(offset)) != SQLITE_OK) {
            // Closing the handle resets the connection's error: read it first.
            const Failure failed = failure();
            sqlite3_blob_close(blob);
            return failed;
        }
    }
    if (sqlite3_blob_close(blob) != SQLITE_OK)
        return failure();
    return std::nullopt;
}

void UserDefaults::logWriteFailure(const QString &key, const Failure &failure) const
{
    if (failure.busy)
        StoreWaitLimit::noteBusy();
    Log::line(QStringLiteral("❌ Could not save \"%1\" in the settings store %2: %3")
                  .arg(key, m_path, failure.reason));
}
