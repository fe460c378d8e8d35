#pragma once

#include "WriteRetry.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>
#include <utility>

class UserDefaults;

// The user's values on their way into a settings store: a write that the
// file does not take now (another program holds it, the disk is full) is
// kept, not lost. The values wait here, in the order they were first given,
// and are written together with the next write, by retries in the
// background (WriteRetry) and once more when the application quits. Until
// they are stored, readers in this process see them in place of what the
// file holds (SettingsKeys asks `unsavedValue`), so that a setting the user
// changed takes effect at once, stored or not.
//
// A value written here is the user's own choice, never one assumed for a
// value that could not be read: it replaces whatever the file holds, also
// when an earlier read of that key failed.
//
// Writes come from the GUI thread; `unsavedValue` may be asked from any.
class PendingDefaults : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool hasUnsavedValues READ hasUnsavedValues NOTIFY hasUnsavedValuesChanged)

public:
    // Runs once every value of one write is stored, or replaced by a later
    // write before it was; gets the keys stored with this write's values.
    using Stored = std::function<void(const QStringList &storedKeys)>;

    // The one for UserDefaults::standard(); lives as long as the process.
    static PendingDefaults &standard();
    // The values wait for this store, which must outlive them; one per store.
    explicit PendingDefaults(UserDefaults &defaults, QObject *parent = nullptr);
    ~PendingDefaults() override;

    // A value given for the store and not stored yet; nothing when there is
    // none (or no PendingDefaults for that store).
    static std::optional<QVariant> unsavedValue(const UserDefaults &defaults, const QString &key);

    // Stores the values, with any still waiting, in one transaction (values
    // as UserDefaults::setObjects takes them); when the file does not take
    // them, keeps them for a retry. While a retry is due, the values join
    // the waiting ones without a write of their own: the file is known to be
    // busy, and each attempt may wait for it. True when this write's values
    // are stored now. `whenStored` may run before this returns.
    bool setObjects(const QList<std::pair<QString, QVariant>> &values, Stored whenStored = {});

    bool hasUnsavedValues() const;
    // The keys whose values wait, in the order they came.
    QStringList unsavedKeys() const;

Q_SIGNALS:
    // Some values began to wait, or the last waiting ones were stored.
    void hasUnsavedValuesChanged();

private:
    struct Write
    {
        QStringList waiting;
        QStringList stored;
        Stored whenStored;
    };

    bool retry();
    // Writes everything that waits; true when nothing waits any more.
    bool writeWaiting();
    // Announces a change of hasUnsavedValues, then runs the callbacks of the
    // writes that have nothing left waiting.
    void settle(bool hadUnsaved);

    UserDefaults &m_defaults;
    // Guarded by the registry's lock, which unsavedValue takes.
    QList<std::pair<QString, QVariant>> m_unsaved;
    QList<Write> m_writes;
    WriteRetry m_retry;
};
