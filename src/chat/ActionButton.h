#pragma once

#include "ui/PlainButton.h"

#include <functional>

// A small button: a symbol and a title in grey on a beige rounded
// rectangle, the same colours wherever it is placed.
class ActionButton : public PlainButton
{
    Q_OBJECT

public:
    static const QColor textSecondary;
    static const QColor accentBeige;

    ActionButton(
        const QString &title, const QString &icon, std::function<void()> action, QWidget *parent = nullptr);

    QString title() const { return m_title; }
    QString icon() const { return m_icon; }

private:
    QString m_title;
    QString m_icon;
};
