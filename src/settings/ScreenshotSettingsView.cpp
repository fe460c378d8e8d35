#include "ScreenshotSettingsView.h"

#include "settings/SettingsControls.h"
#include "store/SettingsManager.h"
#include "ui/ToggleSwitch.h"

using namespace SettingsControls;

ScreenshotSettingsView::ScreenshotSettingsView(SettingsManager &settings, QWidget *parent)
    : SettingsPanel(parent)
{
    addRow(QStringLiteral("Auto-save Screenshots"), QStringLiteral("Automatically save captured screenshots"),
        toggle(settings,
            { &SettingsManager::autoSaveScreenshots, &SettingsManager::setAutoSaveScreenshots,
                &SettingsManager::autoSaveScreenshotsChanged }));
    addRow(QStringLiteral("Screenshot Quality"), QStringLiteral("Balance between file size and quality"),
        segmentedPicker(settings,
            { &SettingsManager::screenshotQuality, &SettingsManager::setScreenshotQuality,
                &SettingsManager::screenshotQualityChanged },
            QStringLiteral("Quality"), qualityOptions(), 220));
}

QStringList ScreenshotSettingsView::qualityOptions()
{
    return { QStringLiteral("High"), QStringLiteral("Medium"), QStringLiteral("Low") };
}
