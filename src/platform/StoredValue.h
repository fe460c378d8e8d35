#pragma once

#include <QString>
#include <QVariant>

// What reading one key of the settings store found: a value, no value at
// all, or a failure to read (the file busy, locked, damaged or unreadable),
// which says nothing about what is stored.
class StoredValue
{
public:
    static StoredValue absent() { return StoredValue(State::Absent, {}, {}); }
    static StoredValue of(const QVariant &value) { return StoredValue(State::Present, value, {}); }
    static StoredValue failure(const QString &reason) { return StoredValue(State::Unreadable, {}, reason); }

    bool hasValue() const { return m_state == State::Present; }
    bool isAbsent() const { return m_state == State::Absent; }
    bool isFailure() const { return m_state == State::Unreadable; }

    // The value when there is one (a QString, qlonglong, double or QByteArray).
    const QVariant &value() const { return m_value; }
    // Why the read failed; empty otherwise.
    const QString &failureReason() const { return m_failureReason; }

private:
    enum class State { Absent, Present, Unreadable };
    StoredValue(State state, const QVariant &value, const QString &failureReason)
        : m_state(state)
        , m_value(value)
        , m_failureReason(failureReason)
    { }

    State m_state;
    QVariant m_value;
    QString m_failureReason;
};
