#include "SettingsKeys.h"

#include "PendingDefaults.h"
#include "StoredValue.h"
#include "UserDefaults.h"

QString TextSettingKey::read(const UserDefaults &defaults) const
{
    if (const std::optional<QVariant> unsaved = PendingDefaults::unsavedValue(defaults, name))
        return unsaved->typeId() == QMetaType::QString ? unsaved->toString() : QString(defaultValue);
    return read(defaults.valueForKey(name));
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
    if (const std::optional<QVariant> unsaved = PendingDefaults::unsavedValue(defaults, name))
        return unsaved->toBool();
    return read(defaults.valueForKey(name));
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
