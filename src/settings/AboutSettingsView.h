#pragma once

#include "settings/SettingsPanel.h"

class SettingsManager;

// The version, and the links to support and to the privacy page.
class AboutSettingsView : public SettingsPanel
{
    Q_OBJECT

public:
    // The settings are not shown here.
    explicit AboutSettingsView(SettingsManager &settings, QWidget *parent = nullptr);
};
