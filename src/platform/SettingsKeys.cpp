#include "SettingsKeys.h"

#include "PendingDefaults.h"
#include "StoredValue.h"
#include "UserDefaults.h"

namespace {

// A value the user set that is not stored yet reads in place of the stored one.
std::optional<QVariant> unsaved(const UserDefaults &defaults, QLatin1StringView name)
{
    return PendingDefaults::unsavedValue(defaults, name);
}

} // namespace

QString TextSettingKey::read(const UserDefaults &defaults) const
{
    if (const std::optional<QVariant> value = unsaved(defaults, name))
        return value->typeId() == QMetaType::QString ? value->toString() : QString(defaultValue);
    return read(defaults.valueForKey(name));
}

QString TextSettingKey::read(const UserDefaults &defaults, const StoredValue &stored) const
{
    if (const std::optional<QVariant> value = unsaved(defaults, name))
        return value->typeId() == QMetaType::QString ? value->toString() : QString(defaultValue);
    return read(stored);
}

QString TextSettingKey::read(const StoredValue &stored) const
{
    return stored.text().value_or(defaultValue);
}

bool TextSettingKey::write(UserDefaults &defaults, const QString &value) const
{
    return defaults.setString(name, value);
}

bool BoolSettingKey::read(const UserDefaults &defaults) const
{
    if (const std::optional<QVariant> value = unsaved(defaults, name))
        return value->toBool();
    return read(defaults.valueForKey(name));
}

bool BoolSettingKey::read(const UserDefaults &defaults, const StoredValue &stored) const
{
    if (const std::optional<QVariant> value = unsaved(defaults, name))
        return value->toBool();
    return read(stored);
}

bool BoolSettingKey::read(const StoredValue &stored) const
{
    // What is not stored, or could not be read, reads as the default.
    return stored.hasValue() ? stored.toBool() : defaultValue;
}

bool BoolSettingKey::write(UserDefaults &defaults, bool value) const
{
    return defaults.setBool(name, value);
}
