#pragma once

#include "ui/HoverButton.h"

// A 40-pixel disc with an icon that swells by 5 % under the pointer. The
// widget is 42 × 42 so that the swollen disc is drawn whole.
class ResponseButton : public HoverButton
{
    Q_OBJECT

public:
    ResponseButton(const QString &icon, bool isHovered, std::function<void()> onTap,
        std::function<void(bool)> onHover, QWidget *parent = nullptr);

    // The disc's scale for the current look: 1 at rest, 1.05 hovered.
    qreal discScale() const { return 1 + 0.05 * hoverLook(); }

    QSize sizeHint() const override { return QSize(42, 42); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_icon;
};
