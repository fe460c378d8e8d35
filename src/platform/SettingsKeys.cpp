#include "SettingsKeys.h"

#include "UserDefaults.h"

QString TextSettingKey::read(const UserDefaults &defaults) const
{
    return defaults.stringForKey(name).value_or(defaultValue);
}

bool TextSettingKey::write(UserDefaults &defaults, const QString &value) const
{
    return defaults.setString(name, value);
}

bool BoolSettingKey::read(const UserDefaults &defaults) const
{
    // Only a default of true needs to tell "stored false" from "not stored".
    if (defaultValue && !defaults.contains(name))
        return true;
    return defaults.boolForKey(name);
}

bool BoolSettingKey::write(UserDefaults &defaults, bool value) const
{
    return defaults.setBool(name, value);
}
