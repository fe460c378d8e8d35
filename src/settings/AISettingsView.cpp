#include "AISettingsView.h"

#include "settings/SettingsControls.h"
#include "store/SettingsManager.h"

#include <QLineEdit>

using namespace SettingsControls;

AISettingsView::AISettingsView(SettingsManager &settings, QWidget *parent)
    : SettingsPanel(parent)
{
    addRow(QStringLiteral("Preferred AI Model"), QStringLiteral("Choose your default AI model"),
        menuPicker(settings,
            { &SettingsManager::preferredModel, &SettingsManager::setPreferredModel,
                &SettingsManager::preferredModelChanged },
            QStringLiteral("Model"), aiModels(), 180));
    addRow(QStringLiteral("OpenAI API Key"), QStringLiteral("Your personal API key for AI analysis"),
        // Stored as it is entered, so that the next question uses it while
        // the window is still open; the field then shows the key as stored.
        textField(settings,
            { &SettingsManager::apiKey, &SettingsManager::saveAPIKey, &SettingsManager::apiKeyChanged },
            QStringLiteral("Enter API key"), 300, true));
}

QStringList AISettingsView::aiModels()
{
    return { QStringLiteral("gpt-4o"), QStringLiteral("gpt-4"), QStringLiteral("claude-3-opus"),
        QStringLiteral("claude-3-sonnet") };
}
