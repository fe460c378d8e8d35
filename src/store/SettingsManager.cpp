#include "SettingsManager.h"

#include "platform/UserDefaults.h"

namespace {

const QString defaultKeyboardShortcut = QStringLiteral("Ctrl+Shift+2");
const QString defaultPreferredModel = QStringLiteral("gpt-4o");
const QString defaultScreenshotQuality = QStringLiteral("High");

QString textOrDefault(const UserDefaults &defaults, const QString &key, const QString &fallback)
{
    return defaults.stringForKey(key).value_or(fallback);
}

} // namespace

SettingsManager::SettingsManager(QObject *parent)
    : QObject(parent)
    , m_userName(QLatin1String(""))
    , m_keyboardShortcut(defaultKeyboardShortcut)
    , m_apiKey(QLatin1String(""))
    , m_preferredModel(defaultPreferredModel)
    , m_screenshotQuality(defaultScreenshotQuality)
{
    loadSettings();
}

void SettingsManager::loadSettings()
{
    // A Boolean key that was never written reads false, also for the two
    // settings that start out true before the first load.
    const UserDefaults &defaults = UserDefaults::standard();
    setUserName(textOrDefault(defaults, QStringLiteral("userName"), QLatin1String("")));
    setAutoLaunchAtLogin(defaults.boolForKey(QStringLiteral("autoLaunchAtLogin")));
    setKeyboardShortcut(textOrDefault(defaults, QStringLiteral("keyboardShortcut"), defaultKeyboardShortcut));
    setApiKey(textOrDefault(defaults, QStringLiteral("apiKey"), QLatin1String("")));
    setPreferredModel(textOrDefault(defaults, QStringLiteral("preferredModel"), defaultPreferredModel));
    setShowKeyboardShortcuts(defaults.boolForKey(QStringLiteral("showKeyboardShortcuts")));
    setAutoSaveScreenshots(defaults.boolForKey(QStringLiteral("autoSaveScreenshots")));
    setScreenshotQuality(
        textOrDefault(defaults, QStringLiteral("screenshotQuality"), defaultScreenshotQuality));
    setEnableWorkflowAutomation(defaults.boolForKey(QStringLiteral("enableWorkflowAutomation")));
    setFigmaPaletteExtraction(defaults.boolForKey(QStringLiteral("figmaPaletteExtraction")));
    setAutoCSVExport(defaults.boolForKey(QStringLiteral("autoCSVExport")));
    setEnableScreenshotSearch(defaults.boolForKey(QStringLiteral("enableScreenshotSearch")));
}

void SettingsManager::saveSettings()
{
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setString(QStringLiteral("userName"), m_userName);
    defaults.setBool(QStringLiteral("autoLaunchAtLogin"), m_autoLaunchAtLogin);
    defaults.setString(QStringLiteral("keyboardShortcut"), m_keyboardShortcut);
    defaults.setString(QStringLiteral("apiKey"), m_apiKey);
    defaults.setString(QStringLiteral("preferredModel"), m_preferredModel);
    defaults.setBool(QStringLiteral("showKeyboardShortcuts"), m_showKeyboardShortcuts);
    defaults.setBool(QStringLiteral("autoSaveScreenshots"), m_autoSaveScreenshots);
    defaults.setString(QStringLiteral("screenshotQuality"), m_screenshotQuality);
    defaults.setBool(QStringLiteral("enableWorkflowAutomation"), m_enableWorkflowAutomation);
    defaults.setBool(QStringLiteral("figmaPaletteExtraction"), m_figmaPaletteExtraction);
    defaults.setBool(QStringLiteral("autoCSVExport"), m_autoCSVExport);
    defaults.setBool(QStringLiteral("enableScreenshotSearch"), m_enableScreenshotSearch);
}
