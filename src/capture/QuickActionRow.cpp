#include "QuickActionRow.h"

#include "SpotlightActionButton.h"

#include <QHBoxLayout>

QuickActionRow::QuickActionRow(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    for (const QuickAction action : QuickActions::allCases) {
        auto *button = new SpotlightActionButton(
            action, false, [this, action] { Q_EMIT actionTapped(action); },
            [this, action](bool hovering) { Q_EMIT actionHovered(action, hovering); }, this);
        button->setObjectName(QStringLiteral("quickAction.") + QuickActions::rawValue(action));
        layout->addWidget(button);
        m_buttons.append(button);
    }
}

SpotlightActionButton *QuickActionRow::button(QuickAction action) const
{
    for (SpotlightActionButton *button : m_buttons) {
        if (button->action() == action)
            return button;
    }
    return nullptr;
}

void QuickActionRow::setHoveredAction(std::optional<QuickAction> action)
{
    for (SpotlightActionButton *button : m_buttons)
        button->setHovered(action == button->action());
}

int QuickActionRow::restingWidth()
{
    const int count = int(QuickActions::allCases.size());
    return count * qRound(SpotlightActionButton::pillWidth(0)) + (count - 1) * spacing;
}
