#pragma once

#include "ConversationRow.h"

#include <QList>
#include <QStringList>
#include <QMutex>
#include <QString>

#include <mutex>
#include <optional>

struct sqlite3;
class UserDefaults;

// The saved conversations in the settings file, one row each:
//   conversations(id TEXT PRIMARY KEY NOT NULL, position INTEGER NOT NULL,
//                 record BLOB NOT NULL, screenshot BLOB)
// so that no limit on the size of one value caps the list, a save writes only
// the conversation it saves, and two programs saving at once each keep
// their own rows.
//
// Each operation is one transaction: interrupted at any point (a crash, a
// kill), the table holds what it held before or what the operation wrote.
// The table is written with SQLite's secure deletion on, so that what a
// deletion or replacement removes is overwritten with zeros in the file,
// including the pages a screenshot spills onto, and the file's write-ahead
// log is emptied after it, so that no earlier copy stays there either. When
// the log cannot be emptied (another program reads an older state of the
// file), the defaults say so and try again until it is (UserDefaults).
//
// Failures come back as an absent result or false, with SQLite's reason;
// nothing is logged here but the rare clean-up failure after an import.
// Safe to use from any thread; the operations run one at a time. Each waits
// for a busy file as UserDefaults does (StoreWaitLimit).
class ConversationTable
{
public:
    // Works on the file of the defaults, through a connection of its own.
    explicit ConversationTable(UserDefaults &defaults);
    ~ConversationTable();
    ConversationTable(const ConversationTable &) = delete;
    ConversationTable &operator=(const ConversationTable &) = delete;

    enum class Screenshots { Included, Left };

    // Every row, newest first (largest position first), as one consistent
    // read; absent when they cannot be read (a busy, locked or damaged file),
    // which never means "no rows". With the screenshots left, a row says
    // only whether it has one (hasScreenshot), and screenshot() reads it.
    std::optional<QList<ConversationRow>> readAll(
        Screenshots screenshots = Screenshots::Included, QString *error = nullptr);
    std::optional<QList<ConversationRow>> readAll(QString *error) { return readAll(Screenshots::Included, error); }

    // The screenshot of the row with this id: absent when it cannot be read
    // or there is no such row; an absent inner value when the row has none.
    std::optional<std::optional<QByteArray>> screenshot(const QString &id, QString *error = nullptr);

    // The small picture kept for the row with this id (PNG bytes); absent
    // when none is kept or it cannot be read. Kept in the defaults table
    // under thumbnailKey(id), where a version that knows nothing of it
    // passes it by, and erased with its row; one that such a version left
    // behind when it deleted the row is erased when the file is next opened.
    std::optional<QByteArray> thumbnail(const QString &id, QString *error = nullptr);
    // Keeps the picture for the row with this id, when there is such a row.
    bool setThumbnail(const QString &id, const QByteArray &png, QString *error = nullptr);
    static QString thumbnailKey(const QString &id);
    // Deletes, on this connection to the file, the pictures kept for rows
    // that are gone: a version that knows nothing of them deletes a row and
    // leaves its picture. Gives how many were deleted; absent on failure.
    static std::optional<int> removeStrayThumbnails(sqlite3 *db);

    // Writes the rows and deletes the rows with these ids (with their
    // pictures), in one transaction: a row without a position goes in front
    // of every row stored when it is new and keeps its place when it is
    // stored already. Gives the number of rows stored afterwards.
    std::optional<qsizetype> write(
        const QList<ConversationRow> &rows, const QStringList &removedIds, QString *error = nullptr);

    // Writes the row, replacing a row with the same id; a row without a
    // position goes in front of every row stored. Gives the position written.
    std::optional<qint64> upsert(const ConversationRow &row, QString *error = nullptr);

    // The place of the row with this id in the list; absent when there is no
    // such row or it cannot be read.
    std::optional<qint64> positionOf(const QString &id, QString *error = nullptr);
    // Deletes the row with this id (true also when there is none) and erases
    // its bytes from the file.
    bool remove(const QString &id, QString *error = nullptr);

    // Writes the rows, newest first, behind every row stored, and removes the
    // defaults key that held them as one value, in one transaction. Then the
    // file is rebuilt once, so that earlier versions of that value, left in
    // free pages of the file by the saves that replaced them, are gone too.
    // Gives the number of rows written: none when the key holds nothing any
    // more (another program moved the value in the meantime).
    std::optional<qsizetype> importRows(
        const QList<ConversationRow> &rows, const QString &fromDefaultsKey, QString *error = nullptr);

private:
    // Takes the table's mutex, for no longer than a StoreWaitLimit allows.
    std::unique_lock<QMutex> lockTable(QString *error);
    bool ensureOpen(QString *error);
    // The import's writes, inside the caller's transaction; false when
    // there is nothing to import.
    // Reads the screenshot of the row with this SQLite rowid into a buffer
    // of its own; false when it cannot be read.
    bool readScreenshot(qint64 rowid, qint64 length, QByteArray *bytes);
    std::optional<bool> writeImport(const QList<ConversationRow> &rows, const QString &fromDefaultsKey);
    bool execute(const char *sql);
    void emptyLog();
    QString failureText() const;
    bool fail(QString *error);

    UserDefaults &m_defaults;
    sqlite3 *m_db = nullptr;
    QMutex m_mutex;
    // Why the last blob read failed.
    QString m_lastFailure;
};
