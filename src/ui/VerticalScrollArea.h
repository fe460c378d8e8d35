#pragma once

#include <QScrollArea>

// A scroll area that scrolls up and down only, and so can be no narrower
// than its content can: its minimum width is the content's with room for
// the scroll bar, and follows the content as that changes. Its height goes
// down to a few lines; the content scrolls beyond that.
class VerticalScrollArea : public QScrollArea
{
    Q_OBJECT

public:
    explicit VerticalScrollArea(QWidget *parent = nullptr);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // The lowest the area goes.
    static constexpr int minimumHeight = 80;

private:
    int chromeWidth() const;
};
