#pragma once

#include <QString>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;
class SegmentedPicker;
class SettingsManager;
class ToggleSwitch;

// The controls of the settings panels, each bound both ways to one setting
// of a SettingsManager: the user's edit assigns the setting at once, and a
// change of the setting (a load) shows in the control. Nothing here writes
// to the user defaults.
namespace SettingsControls {

// How a control reaches one setting.
struct BoolSetting
{
    bool (SettingsManager::*read)() const;
    void (SettingsManager::*write)(bool);
    void (SettingsManager::*changed)();
};

struct TextSetting
{
    QString (SettingsManager::*read)() const;
    void (SettingsManager::*write)(const QString &);
    void (SettingsManager::*changed)();
};

// A switch in the settings accent.
ToggleSwitch *toggle(SettingsManager &settings, const BoolSetting &setting);

// A one-line field of the width with the placeholder; `secure` masks what is
// typed (and keeps it from being copied out).
QLineEdit *textField(SettingsManager &settings, const TextSetting &setting, const QString &placeholder,
    int width, bool secure);

// The label, then a menu of the options, together the width. A stored value
// that is not among the options shows as the menu's text without becoming
// one of its entries, and stays as it is until the user picks an entry. The
// wheel turns the menu only while it has the focus (PickerMenu).
QWidget *menuPicker(SettingsManager &settings, const TextSetting &setting, const QString &label,
    const QStringList &options, int width);

// The label, then one segment per option, together the width.
QWidget *segmentedPicker(SettingsManager &settings, const TextSetting &setting, const QString &label,
    const QStringList &options, int width);

// A bordered push button at the small control size.
QPushButton *smallButton(const QString &text);

} // namespace SettingsControls
