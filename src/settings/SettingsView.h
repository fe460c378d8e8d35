#pragma once

#include "settings/SettingsCategory.h"

#include <QList>
#include <QWidget>

class QLabel;
class QVBoxLayout;
class SettingsManager;
class SettingsPanel;
class SidebarItem;

// The content of the settings window: a sidebar of the six categories and,
// beside it, the chosen category's title, description and panel. It always
// opens on General.
//
// It owns the settings store that its panels edit. The store is loaded when
// the view comes on screen and saved once when it goes away: when its window
// closes or is replaced, or when the application quits with it open,
// whichever comes first. Until then edits live only in the store, also
// across a change of category; the API key alone is stored as it is entered.
// While settings wait to be stored (the file does not take them), a notice
// over the panel says so. Escape and Ctrl+W close the window.
class SettingsView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int sidebarWidth = 220;
    // Shown over the panel while settings wait to be stored.
    static constexpr const char *unsavedNoticeText
        = "⚠️ Settings not saved yet: the settings file cannot be written right now. "
          "Pexilo keeps trying and saves them as soon as it can.";

    explicit SettingsView(QWidget *parent = nullptr);
    ~SettingsView() override;

    SettingsManager &settings() const { return *m_settings; }
    SettingsCategory selectedCategory() const { return m_selectedCategory; }
    // What a click on a category's sidebar item does: shows its title,
    // description and panel at once. The category already shown stays as it is.
    void selectCategory(SettingsCategory category);

    QList<SidebarItem *> sidebarItems() const { return m_sidebarItems; }
    SettingsPanel *currentPanel() const { return m_panel; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    static QString categoryDescription(SettingsCategory category);
    SettingsPanel *makePanel(SettingsCategory category);

    QWidget *sidebar();
    QWidget *detailPane();
    QWidget *unsavedNotice();
    void saveOnce();

    SettingsManager *m_settings;
    SettingsCategory m_selectedCategory = SettingsCategory::general;
    // Set once the view has loaded, cleared by the save that follows.
    bool m_saveDue = false;

    QList<SidebarItem *> m_sidebarItems;
    QLabel *m_title = nullptr;
    QLabel *m_description = nullptr;
    QLabel *m_unsavedNotice = nullptr;
    QVBoxLayout *m_panelHolder = nullptr;
    SettingsPanel *m_panel = nullptr;
};
