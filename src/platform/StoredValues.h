#pragma once

#include "StoredValue.h"

#include <QHash>
#include <QString>

// What one read of several keys of the settings store found, all at the same
// moment: each key's value or its absence, or the failure of the whole read.
class StoredValues
{
public:
    // A read that failed: every key reads as that failure.
    static StoredValues failed(const StoredValue &failure) { return StoredValues(failure); }
    StoredValues()
        : m_failure(StoredValue::absent())
    { }

    // Records what was read under the key.
    void insert(const QString &key, const StoredValue &value) { m_values.insert(key, value); }

    bool isFailure() const { return m_failure.isFailure(); }
    bool isBusy() const { return m_failure.isBusy(); }
    const QString &failureReason() const { return m_failure.failureReason(); }

    // What was read under the key: absent when it was not asked for or holds
    // nothing, the failure when the read failed.
    StoredValue value(const QString &key) const
    {
        if (isFailure())
            return m_failure;
        return m_values.value(key, StoredValue::absent());
    }

private:
    explicit StoredValues(const StoredValue &failure)
        : m_failure(failure)
    { }

    QHash<QString, StoredValue> m_values;
    StoredValue m_failure;
};
