#pragma once

#include "settings/SettingsPanel.h"

class SettingsManager;

// The automation switches. The two that belong to workflow automation can
// be changed only while it is on, and keep their positions while it is off.
class AutomationSettingsView : public SettingsPanel
{
    Q_OBJECT

public:
    explicit AutomationSettingsView(SettingsManager &settings, QWidget *parent = nullptr);
};
