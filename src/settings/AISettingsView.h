#pragma once

#include "settings/SettingsPanel.h"

#include <QStringList>

class SettingsManager;

// The preferred model and the user's key for the AI service.
class AISettingsView : public SettingsPanel
{
    Q_OBJECT

public:
    explicit AISettingsView(SettingsManager &settings, QWidget *parent = nullptr);

    // The entries of the model menu, in order.
    static QStringList aiModels();
};
