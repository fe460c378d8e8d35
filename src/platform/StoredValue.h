#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// What reading one key of the settings store found: a value, no value at
// all, or a failure to read (the file busy, locked, damaged or unreadable),
// which says nothing about what is stored. A failure because another
// connection held the file, and the read gave up waiting, is a busy one.
class StoredValue
{
public:
    static StoredValue absent() { return StoredValue(State::Absent, {}, {}); }
    static StoredValue of(const QVariant &value) { return StoredValue(State::Present, value, {}); }
    static StoredValue failure(const QString &reason) { return StoredValue(State::Unreadable, {}, reason); }
    static StoredValue busy(const QString &reason) { return StoredValue(State::Busy, {}, reason); }

    bool hasValue() const { return m_state == State::Present; }
    bool isAbsent() const { return m_state == State::Absent; }
    // Busy or not: nothing is known of the stored value.
    bool isFailure() const { return m_state == State::Unreadable || m_state == State::Busy; }
    bool isBusy() const { return m_state == State::Busy; }

    // The value when there is one (a QString, qlonglong, double or QByteArray).
    const QVariant &value() const { return m_value; }
    // Why the read failed; empty otherwise.
    const QString &failureReason() const { return m_failureReason; }

    // Text only; a number or data yields nothing.
    std::optional<QString> text() const;
    // False without a value. Numbers are true when not zero; texts read as a
    // Boolean when they start (after blanks, a sign and zeros) with Y, T or a
    // digit 1-9, in either case; data is false.
    bool toBool() const;

private:
    enum class State { Absent, Present, Unreadable, Busy };
    StoredValue(State state, const QVariant &value, const QString &failureReason)
        : m_state(state)
        , m_value(value)
        , m_failureReason(failureReason)
    { }

    State m_state;
    QVariant m_value;
    QString m_failureReason;
};
