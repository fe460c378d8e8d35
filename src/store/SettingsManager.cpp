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
    // One write for all twelve: a file that another program holds is waited
    // for once, and a failure leaves every stored setting as it was.
    QStringList notWritten;
    UserDefaults::standard().setObjects(
        {
            { SettingsKeys::userName.name, m_userName },
            { SettingsKeys::autoLaunchAtLogin.name, m_autoLaunchAtLogin },
            { SettingsKeys::keyboardShortcut.name, m_keyboardShortcut },
            { SettingsKeys::apiKey.name, m_apiKey },
            { SettingsKeys::preferredModel.name, m_preferredModel },
            { SettingsKeys::showKeyboardShortcuts.name, m_showKeyboardShortcuts },
            { SettingsKeys::autoSaveScreenshots.name, m_autoSaveScreenshots },
            { SettingsKeys::screenshotQuality.name, m_screenshotQuality },
            { SettingsKeys::enableWorkflowAutomation.name, m_enableWorkflowAutomation },
            { SettingsKeys::figmaPaletteExtraction.name, m_figmaPaletteExtraction },
            { SettingsKeys::autoCSVExport.name, m_autoCSVExport },
            { SettingsKeys::enableScreenshotSearch.name, m_enableScreenshotSearch },
        },
        &notWritten);

    // A stored switch that starts nothing would report a choice the desktop
    // never learnt of: the autostart entry follows the saved value. When the
    // value was not saved (the store failed, or its stored value could not be
    // read and so was not replaced), the entry stays as the stored value left
    // it: a switch shown off only because a read failed removes nothing.
    if (!notWritten.contains(QString(SettingsKeys::autoLaunchAtLogin.name)))
        AutostartEntry::apply(m_autoLaunchAtLogin);
    AppEvents::instance().postSettingsSaved();
}
