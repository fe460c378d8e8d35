#pragma once

#include <QLatin1StringView>
#include <QString>

class UserDefaults;

// A text setting in the user defaults: it reads as the stored text (an empty
// one included), or as its default when none is stored or the stored value
// is not text. A value the user set that waits to be stored
// (PendingDefaults) reads in place of the stored one, for every setting.
struct TextSettingKey
{
    QLatin1StringView name;
    QLatin1StringView defaultValue;

    QString read(const UserDefaults &defaults) const;
    bool write(UserDefaults &defaults, const QString &value) const;
};

// A Boolean setting in the user defaults: it reads as the stored value (see
// UserDefaults::boolForKey), or as its default when none is stored.
struct BoolSettingKey
{
    QLatin1StringView name;
    bool defaultValue;

    bool read(const UserDefaults &defaults) const;
    bool write(UserDefaults &defaults, bool value) const;
};

// Every setting that the application keeps in the user defaults: its key,
// its type and the value it reads as before anything is stored. Whoever
// reads or writes a setting goes through these.
namespace SettingsKeys {

using namespace Qt::Literals::StringLiterals;

// The user's settings.
inline constexpr TextSettingKey userName { "userName"_L1, ""_L1 };
inline constexpr BoolSettingKey autoLaunchAtLogin { "autoLaunchAtLogin"_L1, false };
// Display text only: the hot key does not follow it.
inline constexpr TextSettingKey keyboardShortcut { "keyboardShortcut"_L1, "Ctrl+Shift+2"_L1 };
inline constexpr TextSettingKey apiKey { "apiKey"_L1, ""_L1 };
inline constexpr TextSettingKey preferredModel { "preferredModel"_L1, "gpt-4o"_L1 };
inline constexpr BoolSettingKey showKeyboardShortcuts { "showKeyboardShortcuts"_L1, false };
inline constexpr BoolSettingKey autoSaveScreenshots { "autoSaveScreenshots"_L1, false };
inline constexpr TextSettingKey screenshotQuality { "screenshotQuality"_L1, "High"_L1 };
inline constexpr BoolSettingKey enableWorkflowAutomation { "enableWorkflowAutomation"_L1, false };
inline constexpr BoolSettingKey figmaPaletteExtraction { "figmaPaletteExtraction"_L1, false };
inline constexpr BoolSettingKey autoCSVExport { "autoCSVExport"_L1, false };
inline constexpr BoolSettingKey enableScreenshotSearch { "enableScreenshotSearch"_L1, false };

// Onboarding's own answers; it shares the others above.
inline constexpr BoolSettingKey hasCompletedOnboarding { "hasCompletedOnboarding"_L1, false };
inline constexpr TextSettingKey preferredAIModel { "preferredAIModel"_L1, "gpt-4o"_L1 };

} // namespace SettingsKeys
