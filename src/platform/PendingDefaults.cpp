#include "PendingDefaults.h"

#include "Log.h"
#include "UserDefaults.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>

namespace {

// Which PendingDefaults waits for which store, so that a reader holding only
// the store finds the values. One lock for the registry and every list of
// waiting values: a reader takes it for a lookup, a writer for a change.
QMutex &registryLock()
{
    static QMutex lock;
    return lock;
}

QHash<const UserDefaults *, PendingDefaults *> &registry()
{
    static QHash<const UserDefaults *, PendingDefaults *> pending;
    return pending;
}

} // namespace

PendingDefaults &PendingDefaults::standard()
{
    static PendingDefaults *pending = new PendingDefaults(UserDefaults::standard()); // lives as long as the process
    return *pending;
}

PendingDefaults::PendingDefaults(UserDefaults &defaults, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_retry([this] { return retry(); })
{
    QMutexLocker locker(&registryLock());
    registry().insert(&defaults, this);
}

PendingDefaults::~PendingDefaults()
{
    QMutexLocker locker(&registryLock());
    if (registry().value(&m_defaults) == this)
        registry().remove(&m_defaults);
}

std::optional<QVariant> PendingDefaults::unsavedValue(const UserDefaults &defaults, const QString &key)
{
    QMutexLocker locker(&registryLock());
    const PendingDefaults *pending = registry().value(&defaults);
    if (!pending)
        return std::nullopt;
    for (const auto &[waitingKey, value] : pending->m_unsaved) {
        if (waitingKey == key)
            return value;
    }
    return std::nullopt;
}

bool PendingDefaults::setObjects(const QList<std::pair<QString, QVariant>> &values, Stored whenStored)
{
    const bool hadUnsaved = hasUnsavedValues();
    Write write { {}, {}, std::move(whenStored) };
    {
        QMutexLocker locker(&registryLock());
        for (const auto &[key, value] : values) {
            // A newer value replaces one still waiting, in its place.
            const auto waiting = std::find_if(
                m_unsaved.begin(), m_unsaved.end(), [&key](const auto &entry) { return entry.first == key; });
            if (waiting != m_unsaved.end())
                waiting->second = value;
            else
                m_unsaved.append({ key, value });
            for (Write &earlier : m_writes)
                earlier.waiting.removeAll(key);
            write.waiting.append(key);
        }
    }
    m_writes.append(std::move(write));

    if (!m_retry.isScheduled() || m_retry.isQuitting()) {
        if (writeWaiting())
            m_retry.cancel();
        else
            m_retry.schedule();
    }
    const bool storedNow = m_writes.constLast().waiting.isEmpty();
    settle(hadUnsaved);
    return storedNow;
}

bool PendingDefaults::retry()
{
    const bool hadUnsaved = hasUnsavedValues();
    const bool written = writeWaiting();
    settle(hadUnsaved);
    return written;
}

bool PendingDefaults::writeWaiting()
{
    QList<std::pair<QString, QVariant>> values;
    {
        QMutexLocker locker(&registryLock());
        values = m_unsaved;
    }
    if (values.isEmpty())
        return true;

    // The store does not replace a value that it failed to read before (it
    // might be taken for one that a caller assumed); these are the user's
    // own, so each is read first. A read that fails means the file cannot be
    // had now: the write would fail too.
    QStringList notWritten;
    const bool readable = std::none_of(values.cbegin(), values.cend(),
        [this](const auto &entry) { return m_defaults.valueForKey(entry.first).isFailure(); });
    if (readable) {
        m_defaults.setObjects(values, &notWritten);
    } else {
        for (const auto &entry : std::as_const(values))
            notWritten.append(entry.first);
    }

    {
        QMutexLocker locker(&registryLock());
        m_unsaved.removeIf([&notWritten](const auto &entry) { return !notWritten.contains(entry.first); });
    }
    for (Write &write : m_writes) {
        for (const QString &key : std::as_const(write.waiting)) {
            if (!notWritten.contains(key))
                write.stored.append(key);
        }
        write.waiting.removeIf([&notWritten](const QString &key) { return !notWritten.contains(key); });
    }
    if (!notWritten.isEmpty() && m_retry.isQuitting())
        Log::line(QStringLiteral("❌ Settings not saved before quitting: %1")
                      .arg(notWritten.join(QLatin1String(", "))));
    return notWritten.isEmpty();
}

void PendingDefaults::settle(bool hadUnsaved)
{
    QList<Write> finished;
    for (qsizetype index = 0; index < m_writes.size();) {
        if (m_writes.at(index).waiting.isEmpty())
            finished.append(m_writes.takeAt(index));
        else
            ++index;
    }
    if (hadUnsaved != hasUnsavedValues())
        Q_EMIT hasUnsavedValuesChanged();
    for (const Write &write : std::as_const(finished)) {
        if (write.whenStored)
            write.whenStored(write.stored);
    }
}

bool PendingDefaults::hasUnsavedValues() const
{
    QMutexLocker locker(&registryLock());
    return !m_unsaved.isEmpty();
}

QStringList PendingDefaults::unsavedKeys() const
{
    QMutexLocker locker(&registryLock());
    QStringList keys;
    for (const auto &entry : m_unsaved)
        keys.append(entry.first);
    return keys;
}
