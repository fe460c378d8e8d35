#pragma once

#include "ai/QuickAction.h"
#include "ui/HoverButton.h"

// The button of one quick action: a round pill with the action's symbol
// that widens to the right under the pointer and reveals the action's title.
// 44 × 44 at rest, 160 × 44 fully widened.
class SpotlightActionButton : public HoverButton
{
    Q_OBJECT

public:
    SpotlightActionButton(QuickAction action, bool isHovered, std::function<void()> onTap,
        std::function<void(bool)> onHover, QWidget *parent = nullptr);

    QuickAction action() const { return m_action; }

    // The pill's width for a hover look: 44 + 116 × look.
    static qreal pillWidth(qreal look);
    static constexpr int pillHeight = 44;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QuickAction m_action;
};
