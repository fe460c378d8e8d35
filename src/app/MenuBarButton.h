#pragma once

#include "ui/PlainButton.h"

class ElidedLabel;

#include <functional>

// A row of the tray panel: an icon, a title over a subtitle, and the action
// that a click runs. A promotional row is tinted orange and ends in a chevron.
class MenuBarButton : public PlainButton
{
    Q_OBJECT

public:
    MenuBarButton(const QString &icon, const QString &title, const QString &subtitle,
        std::function<void()> action, bool isPromotional = false, QWidget *parent = nullptr);

    QString icon() const { return m_icon; }
    QString title() const { return m_title; }
    QString subtitle() const;
    void setSubtitle(const QString &subtitle);
    bool isPromotional() const { return m_isPromotional; }

private:
    QString m_icon;
    QString m_title;
    ElidedLabel *m_subtitle;
    bool m_isPromotional;
};
