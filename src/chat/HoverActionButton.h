#pragma once

#include "ui/HoverButton.h"

#include <functional>

// A small command of the chat window: a symbol and a title on a faint
// rounded plate, white on orange while the pointer is over it.
class HoverActionButton : public HoverButton
{
    Q_OBJECT

public:
    HoverActionButton(const QString &title, const QString &systemImage, std::function<void()> action,
        QWidget *parent = nullptr);

    QString title() const { return m_title; }
    QString systemImage() const { return m_systemImage; }

    // The colours drawn now: on their way between rest and hover.
    QColor foregroundColour() const;
    QColor backgroundColour() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_title;
    QString m_systemImage;
};
