#pragma once

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QVariant>

#include <optional>

struct sqlite3;

// The per-user key-value store: one SQLite file with one table
//   defaults(key TEXT PRIMARY KEY NOT NULL, value)
// holding a text as TEXT, a Boolean as INTEGER 0 or 1 and data as BLOB.
//
// Every write is its own transaction, committed before the call returns. The
// file holds the user's API key, so it is created 0600 in a folder of mode 0700.
// A value that is replaced or removed is overwritten with zeros in the file,
// except for the pages a large one (longer than a page of the file) spills
// onto: those are left as they are, free, until later writes reuse them.
// A file that SQLite cannot read is moved aside, never deleted, and a new store
// is started. Failures are logged and never thrown: a failed write leaves the
// stored value as it was and returns false.
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

    // The stored value as a QString, qlonglong, double or QByteArray; absent
    // when the key holds nothing.
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
    bool removeObject(const QString &key);

private:
    void open();
    bool openDatabase();
    void closeDatabase();
    void setAsideUnreadableFile();
    bool execute(const char *sql);
    bool writeValue(const QString &key, const QVariant &value);
    bool writeData(const QString &key, const QByteArray &value);
    bool replaceData(const QString &key, const QByteArray &value);
    void logWriteFailure(const QString &key) const;

    QString m_path;
    sqlite3 *m_db = nullptr;
    mutable QMutex m_mutex;
};
