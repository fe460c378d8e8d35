#include "AutomationSettingsView.h"

#include "settings/SettingsControls.h"
#include "store/SettingsManager.h"
#include "ui/ToggleSwitch.h"

using namespace SettingsControls;

AutomationSettingsView::AutomationSettingsView(SettingsManager &settings, QWidget *parent)
    : SettingsPanel(parent)
{
    addRow(QStringLiteral("Workflow Automation"), QStringLiteral("Enable smart automation features"),
        toggle(settings,
            { &SettingsManager::enableWorkflowAutomation, &SettingsManager::setEnableWorkflowAutomation,
                &SettingsManager::enableWorkflowAutomationChanged }));
    ToggleSwitch *figma = toggle(settings,
        { &SettingsManager::figmaPaletteExtraction, &SettingsManager::setFigmaPaletteExtraction,
            &SettingsManager::figmaPaletteExtractionChanged });
    addRow(QStringLiteral("Figma Palette Extraction"),
        QStringLiteral("Auto-extract color palettes from Figma screenshots"), figma);
    ToggleSwitch *csv = toggle(settings,
        { &SettingsManager::autoCSVExport, &SettingsManager::setAutoCSVExport,
            &SettingsManager::autoCSVExportChanged });
    addRow(QStringLiteral("Auto CSV Export"), QStringLiteral("Automatically export tables to CSV"), csv);
    addRow(QStringLiteral("Screenshot Search"), QStringLiteral("Enable searching through saved screenshots"),
        toggle(settings,
            { &SettingsManager::enableScreenshotSearch, &SettingsManager::setEnableScreenshotSearch,
                &SettingsManager::enableScreenshotSearchChanged }));

    const auto followWorkflowAutomation = [figma, csv, &settings] {
        figma->setEnabled(settings.enableWorkflowAutomation());
        csv->setEnabled(settings.enableWorkflowAutomation());
    };
    followWorkflowAutomation();
    connect(&settings, &SettingsManager::enableWorkflowAutomationChanged, this, followWorkflowAutomation);
}
