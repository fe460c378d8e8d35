#pragma once

#include "settings/SettingsPanel.h"

class QLabel;
class SettingsManager;

// Launch at login, the capture shortcut as it is stored, and whether the
// tray panel shows shortcuts.
class GeneralSettingsView : public SettingsPanel
{
    Q_OBJECT

public:
    explicit GeneralSettingsView(SettingsManager &settings, QWidget *parent = nullptr);

private:
    QWidget *shortcutControl(SettingsManager &settings);
};
