#pragma once

#include "StoredValue.h"
#include "StoredValues.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

struct sqlite3;

// The per-user key-value store: one SQLite file with one table
//   defaults(key TEXT PRIMARY KEY NOT NULL, value)
// holding a text as TEXT, a Boolean as INTEGER 0 or 1 and data as BLOB. The
// same file holds the saved conversations (ConversationTable); tables that
// the file holds besides these two are left alone.
//
// Every write is its own transaction, committed (to the file's write-ahead
// log) before the call returns. The file holds the user's API key, so it is
// created 0600 in a folder of mode 0700. A value that is replaced or removed
// is overwritten with zeros in the file, and the log emptied, except for the
// pages a large one (longer than a page of the file) spills onto: those are
// left as they are, free, until later writes reuse them.
//
// Emptying the log is what erases: until then it holds the earlier versions
// of what was written, and the file itself lacks the zeros. When it cannot be
// emptied (another program reads an older state of the file), that is
// logged with "⚠️", and tried again in the background, and by every later
// write, until it succeeds; so is a log found not empty when the file opens
// (a program killed between a deletion and the emptying of the log).
//
// The file is opened, and checked, at the first call. Damage that SQLite can
// repair (an index) is repaired. Otherwise, and when the file's own tables
// are not in a form this program can use (a key that is not the primary
// key), a new file is started with every row of them that can still be read,
// each read on its own, so that a damaged page costs only the rows on it; the
// old file is moved aside, never deleted, and one "⚠️" line says what could
// not be read. When the file is busy (another program holds it locked), each
// call waits for it: up to 5 s, or as long as a StoreWaitLimit on the
// calling thread allows. A store that could not be opened is opened again at
// the next call.
//
// Failures are logged with "❌" and never thrown. A read that fails is told
// apart from an absent value (valueForKey), a busy file from other failures
// (StoredValue::isBusy, StoreWaitLimit::busy), and a key whose value could
// not be read is not written over until a read of it succeeds: what could not
// be read is never replaced by what a caller assumed in its place. A failed
// write leaves the stored value as it was and returns false.
class UserDefaults
{
public:
    // The process-wide store at $XDG_CONFIG_HOME/Pexilo/defaults.sqlite3.
    static UserDefaults &standard();
    static QString standardPath();

    explicit UserDefaults(const QString &path);
    ~UserDefaults();
    UserDefaults(const UserDefaults &) = delete;
    UserDefaults &operator=(const UserDefaults &) = delete;

    QString path() const { return m_path; }

    // The stored value, no value, or the failure to read it.
    StoredValue valueForKey(const QString &key) const;
    // The values of several keys as one read, at the same moment: a file
    // that another program holds is waited for once, and either every key is
    // read or the read fails as a whole.
    StoredValues valuesForKeys(const QStringList &keys) const;

    // The stored value as a QString, qlonglong, double or QByteArray; absent
    // when the key holds nothing or cannot be read.
    std::optional<QVariant> objectForKey(const QString &key) const;
    bool contains(const QString &key) const { return objectForKey(key).has_value(); }

    // Text only; a number or data under the key yields nothing.
    std::optional<QString> stringForKey(const QString &key) const;
    // See StoredValue::toBool; false when absent or unreadable.
    bool boolForKey(const QString &key) const;
    // Data only; a text or number under the key yields nothing.
    std::optional<QByteArray> dataForKey(const QString &key) const;

    bool setString(const QString &key, const QString &value);
    bool setBool(const QString &key, bool value);
    bool setData(const QString &key, const QByteArray &value);
    // Stores by the value's type: text, Boolean, whole or real number, data.
    // An invalid value removes the key.
    bool setObject(const QString &key, const QVariant &value);
    // Stores each value as setObject does, all in one transaction: a file
    // that another program holds is waited for once, not once per value, and
    // a failure writes none of them. A key whose value could not be read is
    // left out, as setObject leaves it. False when any value was not
    // written; `notWritten` then names those keys.
    bool setObjects(const QList<std::pair<QString, QVariant>> &values, QStringList *notWritten = nullptr);
    bool removeObject(const QString &key);
    // Moves the value out of the store into a new file at `filePath`, mode
    // 0600 (data as it is, a text in UTF-8, a number as its decimal text),
    // then removes the key with its bytes, the pages a large value spills
    // onto included, overwritten in the store. Nothing is copied within the
    // store. False, with the reason, when the key holds nothing or was not
    // read, or either step failed: the key then keeps its value, and no file
    // is left behind.
    bool moveValueToFile(const QString &key, const QString &filePath, QString *error = nullptr);

private:
    friend class ConversationTable;

    enum class Opening { Opened, Failed, Unusable };
    struct Failure
    {
        QString reason;
        bool busy = false;
    };

    // Opens the file when it is not open yet (or could not be opened
    // before); false when it cannot be opened now. Call with the mutex held.
    bool ensureOpen() const;
    Opening openDatabase(QString *failure) const;
    std::optional<QString> checkIntegrity() const;
    // Deletes the pictures kept for conversations that are gone, and
    // erases them from the file.
    void removeStrayThumbnails() const;
    void closeDatabase() const;
    // Starts a new file from the readable rows of the unusable one, which
    // is still open, and moves that one aside. False when the new file could
    // not be made; the old one then stays where it is.
    bool replaceUnusableFile(const QString &problem) const;
    QString pathAside() const;
    bool execute(const char *sql) const;
    // SQLite's reason for the last failure, and whether the file was busy.
    Failure failure() const;
    QString failureText() const { return failure().reason; }
    // Takes the store's mutex, for no longer than a StoreWaitLimit on this
    // thread allows; the lock is not owned when it could not be had.
    std::unique_lock<QMutex> lockStore() const;
    static Failure storeInUse();

    // Empties the write-ahead log into the file, which erases what writes
    // removed; when it cannot, that is said and tried again.
    void emptyLog() const;
    bool checkpoint(QString *reason) const;
    void noteEraseIncomplete(const QString &reason) const;
    void noteEraseComplete() const;
    bool isErasePending() const;
    void retryErase() const;

    StoredValue readValue(const QString &key) const;
    // One key's value, in the caller's read transaction.
    StoredValue readRow(const QString &key) const;
    StoredValue failedRead() const;
    void logReadFailure(const QStringList &keys, const StoredValue &failure) const;
    bool mayReplace(const QString &key);
    bool writeValue(const QString &key, const QVariant &value);
    // One value as setObject stores it, in the caller's transaction; the
    // reason when it could not be written.
    std::optional<Failure> storeObject(const QString &key, const QVariant &value);
    std::optional<Failure> upsertValue(const QString &key, const QVariant &value);
    bool writeData(const QString &key, const QByteArray &value);
    std::optional<Failure> replaceData(const QString &key, const QByteArray &value);
    std::optional<QString> writeValueToFile(const QString &key, const QString &filePath);
    void logWriteFailure(const QString &key, const Failure &failure) const;

    QString m_path;
    mutable sqlite3 *m_db = nullptr;
    mutable QMutex m_mutex;
    // Keys whose last read failed: they are not written until read again.
    mutable QSet<QString> m_unreadKeys;
    // The reason the last open failed, so that each reason is logged once.
    mutable QString m_openFailure;
    mutable bool m_openFailedBusy = false;

    // An erase (an emptying of the log) that has not succeeded yet, and the
    // thread that tries it again. They have a lock of their own, so that
    // noting it never waits for a call under way.
    mutable std::mutex m_eraseMutex;
    mutable std::condition_variable m_eraseWake;
    mutable bool m_erasePending = false;
    mutable bool m_eraseRetryRunning = false;
    mutable bool m_closing = false;
    mutable std::thread m_eraseRetry;
};
