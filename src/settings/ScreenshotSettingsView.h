#pragma once

#include "settings/SettingsPanel.h"

#include <QStringList>

class SettingsManager;

// Whether captures are saved, and at which quality.
class ScreenshotSettingsView : public SettingsPanel
{
    Q_OBJECT

public:
    explicit ScreenshotSettingsView(SettingsManager &settings, QWidget *parent = nullptr);

    // The segments of the quality picker, left to right.
    static QStringList qualityOptions();
};
