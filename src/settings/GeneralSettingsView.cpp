#include "GeneralSettingsView.h"

#include "settings/ModernSettingsRow.h"
#include "settings/SettingsControls.h"
#include "store/SettingsManager.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"
#include "ui/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

using namespace SettingsControls;

GeneralSettingsView::GeneralSettingsView(SettingsManager &settings, QWidget *parent)
    : SettingsPanel(parent)
{
    // The switch shows what the desktop will do at login; a choice that
    // cannot be carried out leaves it as it is, with the reason under it.
    ModernSettingsRow *launch = addRow(QStringLiteral("Launch at Login"),
        QStringLiteral("Start Pexilo when you log in"),
        toggle(settings,
            { &SettingsManager::autoLaunchAtLogin, &SettingsManager::chooseAutoLaunchAtLogin,
                &SettingsManager::autoLaunchAtLoginChanged }));
    launch->setNote(settings.autoLaunchProblem());
    connect(&settings, &SettingsManager::autoLaunchProblemChanged, launch,
        [launch, &settings] { launch->setNote(settings.autoLaunchProblem()); });
    addRow(QStringLiteral("Keyboard Shortcut"), QStringLiteral("Quick screenshot capture"),
        shortcutControl(settings));
    addRow(QStringLiteral("Show Keyboard Shortcuts"), QStringLiteral("Display shortcuts in menu bar"),
        toggle(settings,
            { &SettingsManager::showKeyboardShortcuts, &SettingsManager::setShowKeyboardShortcuts,
                &SettingsManager::showKeyboardShortcutsChanged }));
}

QWidget *GeneralSettingsView::shortcutControl(SettingsManager &settings)
{
    // The stored text only: the hot key itself is fixed, so there is nothing
    // here to change it with.
    QLabel *shortcut = new PlainLabel(
        settings.keyboardShortcut(), Fonts::monospaced(13, QFont::Medium), Palette::primaryLabel());
    shortcut->setObjectName(QStringLiteral("keyboardShortcut"));
    shortcut->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    const QColor fill = Palette::withOpacity(Palette::gray(), 0.15);
    shortcut->setStyleSheet(QStringLiteral("QLabel { background: rgba(%1, %2, %3, %4); border-radius: 6px;"
                                           " padding: 6px 12px; }")
                                .arg(fill.red())
                                .arg(fill.green())
                                .arg(fill.blue())
                                .arg(fill.alphaF()));
    connect(&settings, &SettingsManager::keyboardShortcutChanged, shortcut,
        [shortcut, &settings] { shortcut->setText(settings.keyboardShortcut()); });

    auto *control = new QWidget;
    auto *layout = new QHBoxLayout(control);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(shortcut);
    layout->addWidget(smallButton(QStringLiteral("Change")));
    return control;
}
