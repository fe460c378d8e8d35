#include "SettingsKeys.h"

#include "PendingDefaults.h"
#include "UserDefaults.h"

QString TextSettingKey::read(const UserDefaults &defaults) const
{
    if (const std::optional<QVariant> unsaved = PendingDefaults::unsavedValue(defaults, name))
        return unsaved->typeId() == QMetaType::QString ? unsaved->toString() : QString(defaultValue);
    return defaults.stringForKey(name).value_or(defaultValue);
}

bool TextSettingKey::write(UserDefaults &defaults, const QString &value) const
{
    return defaults.setString(name, value);
}

bool BoolSettingKey::read(const UserDefaults &defaults) const
{
    if (const std::optional<QVariant> unsaved = PendingDefaults::unsavedValue(defaults, name))
        return unsaved->toBool();
    // Only a default of true needs to tell "stored false" from "not stored".
    if (defaultValue && !defaults.contains(name))
        return true;
    return defaults.boolForKey(name);
}

bool BoolSettingKey::write(UserDefaults &defaults, bool value) const
{
    return defaults.setBool(name, value);
}
