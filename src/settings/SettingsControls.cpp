#include "SettingsControls.h"

#include "settings/PickerMenu.h"
#include "settings/SegmentedPicker.h"
#include "store/SettingsManager.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"
#include "ui/ToggleSwitch.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace SettingsControls {

namespace {

// The control's own label beside it, as a titled picker shows it.
QWidget *titled(const QString &label, QWidget *control, int width)
{
    auto *box = new QWidget;
    box->setFixedWidth(width);
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    QLabel *title = new PlainLabel(label, Fonts::system(13), Palette::primaryLabel());
    title->setBuddy(control);
    layout->addWidget(title);
    layout->addWidget(control, 1);
    return box;
}

} // namespace

ToggleSwitch *toggle(SettingsManager &settings, const BoolSetting &setting)
{
    auto *control = new ToggleSwitch(Palette::settingsAccent());
    control->setChecked((settings.*setting.read)());
    // clicked comes from the user alone, never from setChecked.
    QObject::connect(control, &QAbstractButton::clicked, &settings,
        [&settings, setting](bool on) { (settings.*setting.write)(on); });
    QObject::connect(&settings, setting.changed, control,
        [control, &settings, setting] { control->setChecked((settings.*setting.read)()); });
    return control;
}

QLineEdit *textField(
    SettingsManager &settings, const TextSetting &setting, const QString &placeholder, int width, bool secure)
{
    auto *field = new QLineEdit;
    field->setPlaceholderText(placeholder);
    field->setFixedWidth(width);
    field->setFont(Fonts::system(13));
    field->setMinimumHeight(24);
    if (secure)
        field->setEchoMode(QLineEdit::Password);
    field->setText((settings.*setting.read)());
    QObject::connect(field, &QLineEdit::textEdited, &settings,
        [&settings, setting](const QString &text) { (settings.*setting.write)(text); });
    QObject::connect(&settings, setting.changed, field, [field, &settings, setting] {
        // The user's own edit comes back here too; leave the cursor alone then.
        const QString value = (settings.*setting.read)();
        if (field->text() != value)
            field->setText(value);
    });
    return field;
}

QWidget *menuPicker(SettingsManager &settings, const TextSetting &setting, const QString &label,
    const QStringList &options, int width)
{
    auto *menu = new PickerMenu;
    menu->setFont(Fonts::system(13));
    menu->addItems(options);
    const auto show = [menu, &settings, setting] {
        const QString value = (settings.*setting.read)();
        const int index = menu->findText(value, Qt::MatchFixedString | Qt::MatchCaseSensitive);
        menu->setPlaceholderText(index < 0 ? value : QString());
        menu->setCurrentIndex(index);
    };
    show();
    // activated comes from the user alone: showing a value picks no entry
    // and so writes nothing back.
    QObject::connect(menu, &QComboBox::activated, &settings,
        [menu, &settings, setting](int index) { (settings.*setting.write)(menu->itemText(index)); });
    QObject::connect(&settings, setting.changed, menu, show);
    return titled(label, menu, width);
}

QWidget *segmentedPicker(SettingsManager &settings, const TextSetting &setting, const QString &label,
    const QStringList &options, int width)
{
    auto *picker = new SegmentedPicker(options);
    picker->setCurrentText((settings.*setting.read)());
    QObject::connect(picker, &SegmentedPicker::activated, &settings,
        [&settings, setting](const QString &option) { (settings.*setting.write)(option); });
    QObject::connect(&settings, setting.changed, picker,
        [picker, &settings, setting] { picker->setCurrentText((settings.*setting.read)()); });
    return titled(label, picker, width);
}

QPushButton *smallButton(const QString &text)
{
    auto *button = new QPushButton(text);
    button->setFont(Fonts::system(11));
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Room around the label, as a bordered button keeps at any size.
    button->setMinimumSize(button->fontMetrics().horizontalAdvance(text) + 20, 22);
    return button;
}

} // namespace SettingsControls
