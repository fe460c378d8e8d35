#pragma once

#include "settings/ModernSettingsRow.h"
#include "settings/SettingsPanel.h"
#include "settings/SettingsView.h"

#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

// A settings window as the application makes it, 900 × 650 around a fresh
// settings view, over user defaults that hold no setting and with no
// autostart entry.
class SettingsFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes a new window with a new view, replacing the previous one (which
    // is closed first, as the application does), and shows it.
    SettingsView &openWindow();
    // Closes the window as its close button does.
    void closeWindow();

    SettingsView &view() const { return *m_view; }
    QWidget &window() const { return *m_window; }

    // Clicks the category's sidebar item.
    void select(SettingsCategory category);

    // The row of the panel on show with that title; null when there is none.
    ModernSettingsRow *row(const QString &title) const;
    // The row's control, or the first widget of the type inside it.
    template<typename Control> Control *control(const QString &title) const
    {
        ModernSettingsRow *found = row(title);
        if (!found)
            return nullptr;
        if (auto *direct = qobject_cast<Control *>(found->content()))
            return direct;
        return found->content()->findChild<Control *>();
    }

private:
    QPointer<QWidget> m_window;
    QPointer<SettingsView> m_view;
};

// Removes every setting that the application keeps from the standard user defaults.
void clearStoredSettings();
