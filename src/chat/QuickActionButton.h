#pragma once

#include "ui/PlainButton.h"

#include <functional>

// A compact button: a symbol and a title on a faint rounded background.
class QuickActionButton : public PlainButton
{
    Q_OBJECT

public:
    QuickActionButton(const QString &title, const QString &systemImage, std::function<void()> action,
        QWidget *parent = nullptr);

    QString title() const { return m_title; }
    QString systemImage() const { return m_systemImage; }

private:
    QString m_title;
    QString m_systemImage;
};
