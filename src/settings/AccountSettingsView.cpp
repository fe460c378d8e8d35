#include "AccountSettingsView.h"

#include "settings/SettingsControls.h"
#include "store/SettingsManager.h"

#include <QLineEdit>

AccountSettingsView::AccountSettingsView(SettingsManager &settings, QWidget *parent)
    : SettingsPanel(parent)
{
    addRow(QStringLiteral("Name"), QStringLiteral("Used to personalize your experience"),
        SettingsControls::textField(settings,
            { &SettingsManager::userName, &SettingsManager::setUserName, &SettingsManager::userNameChanged },
            QStringLiteral("Your name"), 200, false));
}
