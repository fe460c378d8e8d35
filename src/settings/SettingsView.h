#pragma once

#include <QWidget>

// The content of the settings window. For now it shows the window's title.
class SettingsView : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsView(QWidget *parent = nullptr);
};
