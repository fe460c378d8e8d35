#pragma once

#include "ai/QuickAction.h"

#include <QList>
#include <QWidget>

#include <optional>

class SpotlightActionButton;

// One quick-action button per action, in the order of QuickActions::allCases,
// 6 pixels apart. The row is always as wide as its buttons: it grows to the
// right as a button widens under the pointer.
class QuickActionRow : public QWidget
{
    Q_OBJECT

public:
    explicit QuickActionRow(QWidget *parent = nullptr);

    SpotlightActionButton *button(QuickAction action) const;
    QList<SpotlightActionButton *> buttons() const { return m_buttons; }

    // Which button the owner regards as hovered (each button's isHovered).
    void setHoveredAction(std::optional<QuickAction> action);

    // The row's width with every button at rest.
    static int restingWidth();
    static constexpr int spacing = 6;

Q_SIGNALS:
    void actionTapped(QuickAction action);
    void actionHovered(QuickAction action, bool hovering);

private:
    QList<SpotlightActionButton *> m_buttons;
};
