#include "SettingsManager.h"

#include "platform/AppEvents.h"
#include "platform/AutostartEntry.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"

SettingsManager::SettingsManager(QObject *parent)
    : QObject(parent)
    , m_userName(SettingsKeys::userName.defaultValue)
    , m_keyboardShortcut(SettingsKeys::keyboardShortcut.defaultValue)
    , m_apiKey(SettingsKeys::apiKey.defaultValue)
    , m_preferredModel(SettingsKeys::preferredModel.defaultValue)
    , m_screenshotQuality(SettingsKeys::screenshotQuality.defaultValue)
{
    loadSettings();
}

void SettingsManager::loadSettings()
{
    // A Boolean key that was never written reads false, also for the two
    // settings that start out true before the first load.
    const UserDefaults &defaults = UserDefaults::standard();
    setUserName(SettingsKeys::userName.read(defaults));
    setAutoLaunchAtLogin(SettingsKeys::autoLaunchAtLogin.read(defaults));
    setKeyboardShortcut(SettingsKeys::keyboardShortcut.read(defaults));
    setApiKey(SettingsKeys::apiKey.read(defaults));
    setPreferredModel(SettingsKeys::preferredModel.read(defaults));
    setShowKeyboardShortcuts(SettingsKeys::showKeyboardShortcuts.read(defaults));
    setAutoSaveScreenshots(SettingsKeys::autoSaveScreenshots.read(defaults));
    setScreenshotQuality(SettingsKeys::screenshotQuality.read(defaults));
    setEnableWorkflowAutomation(SettingsKeys::enableWorkflowAutomation.read(defaults));
    setFigmaPaletteExtraction(SettingsKeys::figmaPaletteExtraction.read(defaults));
    setAutoCSVExport(SettingsKeys::autoCSVExport.read(defaults));
    setEnableScreenshotSearch(SettingsKeys::enableScreenshotSearch.read(defaults));
}

void SettingsManager::saveSettings()
{
    UserDefaults &defaults = UserDefaults::standard();
    SettingsKeys::userName.write(defaults, m_userName);
    const bool autoLaunchSaved = SettingsKeys::autoLaunchAtLogin.write(defaults, m_autoLaunchAtLogin);
    SettingsKeys::keyboardShortcut.write(defaults, m_keyboardShortcut);
    SettingsKeys::apiKey.write(defaults, m_apiKey);
    SettingsKeys::preferredModel.write(defaults, m_preferredModel);
    SettingsKeys::showKeyboardShortcuts.write(defaults, m_showKeyboardShortcuts);
    SettingsKeys::autoSaveScreenshots.write(defaults, m_autoSaveScreenshots);
    SettingsKeys::screenshotQuality.write(defaults, m_screenshotQuality);
    SettingsKeys::enableWorkflowAutomation.write(defaults, m_enableWorkflowAutomation);
    SettingsKeys::figmaPaletteExtraction.write(defaults, m_figmaPaletteExtraction);
    SettingsKeys::autoCSVExport.write(defaults, m_autoCSVExport);
    SettingsKeys::enableScreenshotSearch.write(defaults, m_enableScreenshotSearch);

    // A stored switch that starts nothing would report a choice the desktop
    // never learnt of: the autostart entry follows the saved value. When the
    // value was not saved (the store failed, or its stored value could not be
    // read and so was not replaced), the entry stays as the stored value left
    // it: a switch shown off only because a read failed removes nothing.
    if (autoLaunchSaved)
        AutostartEntry::apply(m_autoLaunchAtLogin);
    AppEvents::instance().postSettingsSaved();
}
