#pragma once

#include "ui/HoverButton.h"

// A small capsule with an icon that widens under the pointer into a pill
// showing its label beside the icon. 62.4 × 40 at rest, 136 × 40 fully
// widened; a label wider than 60 pixels is shortened.
class ExpandableResponseButton : public HoverButton
{
    Q_OBJECT

public:
    ExpandableResponseButton(const QString &icon, const QString &label, bool isHovered,
        std::function<void()> onTap, std::function<void(bool)> onHover, QWidget *parent = nullptr);

    // The pill's width for a hover look.
    static qreal pillWidth(qreal look);
    static constexpr int pillHeight = 40;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_icon;
};
