#pragma once

#include "StoredValue.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <utility>

struct sqlite3;

// The per-user key-value store: one SQLite file with one table
//   defaults(key TEXT PRIMARY KEY NOT NULL, value)
// holding a text as TEXT, a Boolean as INTEGER 0 or 1 and data as BLOB. The
// same file holds the saved conversations (ConversationTable).
//
// Every write is its own transaction, committed (to the file's write-ahead
// log) before the call returns. The file holds the user's API key, so it is
// created 0600 in a folder of mode 0700. A value that is replaced or removed
// is overwritten with zeros in the file, and the log emptied, except for the
// pages a large one (longer than a page of the file) spills onto: those are
// left as they are, free, until later writes reuse them.
//
// The file is opened at the first call. A file that SQLite cannot read, that
// is damaged, or that holds tables of another kind is moved aside, never
// deleted, and a new store is started. When the file is busy (another
// program holds it locked), each call waits several seconds for it; a store
// that could not be opened is opened again at the next call.
//
// Failures are logged with "❌" and never thrown. A read that fails is told
// apart from an absent value (valueForKey), and a key whose value could not
// be read is not written over until a read of it succeeds: what could not be
// read is never replaced by what a caller assumed in its place. A failed
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

    // The stored value as a QString, qlonglong, double or QByteArray; absent
    // when the key holds nothing or cannot be read.
    std::optional<QVariant> objectForKey(const QString &key) const;
    bool contains(const QString &key) const { return objectForKey(key).has_value(); }

    // Text only; a number or data under the key yields nothing.
    std::optional<QString> stringForKey(const QString &key) const;
    // False when absent. Numbers are true when not zero; texts read as a
    // Boolean when they start (after blanks, a sign and zeros) with Y, T or a
    // digit 1-9, in either case; data is false.
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
    // Moves the value to another key, replacing what that held, in one
    // write; nothing is copied.
    bool renameKey(const QString &from, const QString &to);

private:
    friend class ConversationTable;

    // Opens the file when it is not open yet (or could not be opened
    // before); false when it cannot be opened now. Call with the mutex held.
    bool ensureOpen() const;
    bool openDatabase(QString *failure, QString *setAsideReason) const;
    void closeDatabase() const;
    void setAsideFile(const QString &reason) const;
    bool execute(const char *sql) const;
    void emptyLog() const;
    // SQLite's message for the last failure.
    QString failureText() const;

    StoredValue readValue(const QString &key) const;
    bool mayReplace(const QString &key);
    bool writeValue(const QString &key, const QVariant &value);
    // One value as setObject stores it, in the caller's transaction; the
    // reason when it could not be written.
    std::optional<QString> storeObject(const QString &key, const QVariant &value);
    std::optional<QString> upsertValue(const QString &key, const QVariant &value);
    bool writeData(const QString &key, const QByteArray &value);
    std::optional<QString> replaceData(const QString &key, const QByteArray &value);
    void logWriteFailure(const QString &key, const QString &reason) const;

    QString m_path;
    mutable sqlite3 *m_db = nullptr;
    mutable QMutex m_mutex;
    // Keys whose last read failed: they are not written until read again.
    mutable QSet<QString> m_unreadKeys;
    // The reason the last open failed, so that each reason is logged once.
    mutable QString m_openFailure;
};
