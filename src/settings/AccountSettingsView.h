#pragma once

#include "settings/SettingsPanel.h"

class SettingsManager;

// The user's name.
class AccountSettingsView : public SettingsPanel
{
    Q_OBJECT

public:
    explicit AccountSettingsView(SettingsManager &settings, QWidget *parent = nullptr);
};
