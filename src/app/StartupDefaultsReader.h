#pragma once

#include "platform/StoredValues.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <optional>

class UserDefaults;

// Reads the settings that the start-up needs, all in one read, on a worker
// thread: a settings file that another program holds locked, or that cannot
// be read at all, never holds up the GUI thread, and opening and checking
// the file happen there too. A read that fails says nothing about what is
// stored, so it is never taken for a first start: it is logged and tried
// again, after a second and then less and less often, until it succeeds.
// Only then `valuesRead` is emitted, once.
class StartupDefaultsReader : public QObject
{
    Q_OBJECT

public:
    StartupDefaultsReader(UserDefaults &defaults, const QStringList &keys, QObject *parent = nullptr);

    // Starts the first read; what it finds arrives from the event loop.
    void start();
    // The values once they are read.
    const std::optional<StoredValues> &values() const { return m_values; }

Q_SIGNALS:
    void valuesRead(const StoredValues &values);

private:
    void readInBackground();
    void readFinished(const StoredValues &values);

    UserDefaults &m_defaults;
    const QStringList m_keys;
    QTimer m_retry;
    std::chrono::seconds m_nextDelay;
    int m_attempts = 0;
    bool m_reading = false;
    std::optional<StoredValues> m_values;
};
