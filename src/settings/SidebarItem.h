#pragma once

#include "settings/SettingsCategory.h"

#include <QAbstractButton>

#include <functional>

// The sidebar button of one settings category: its symbol and title on a
// rounded fill of the accent while selected (symbol and title white), on
// nothing otherwise (symbol in the accent, title in the primary colour).
// Tab reaches it and Space or Return selects it; a click selects it without
// taking the keyboard focus from where it is.
class SidebarItem : public QAbstractButton
{
    Q_OBJECT

public:
    SidebarItem(SettingsCategory category, bool isSelected, std::function<void()> onSelect,
        QWidget *parent = nullptr);

    SettingsCategory category() const { return m_category; }
    bool isSelected() const { return m_isSelected; }
    void setSelected(bool selected);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    SettingsCategory m_category;
    bool m_isSelected;
    std::function<void()> m_onSelect;
    // The focus came by the keyboard, so it is shown.
    bool m_keyboardFocus = false;
};
