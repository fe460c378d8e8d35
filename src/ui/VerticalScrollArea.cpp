#include "VerticalScrollArea.h"

#include <QEvent>
#include <QScrollBar>

VerticalScrollArea::VerticalScrollArea(QWidget *parent)
    : QScrollArea(parent)
{
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

int VerticalScrollArea::chromeWidth() const
{
    // The scroll bar's room is kept whether or not it shows, so that the
    // content does not get narrower than its minimum when it appears.
    return frameWidth() * 2 + verticalScrollBar()->sizeHint().width();
}

QSize VerticalScrollArea::minimumSizeHint() const
{
    const QWidget *content = widget();
    const int contentWidth = content ? content->minimumSizeHint().expandedTo(content->minimumSize()).width() : 0;
    return QSize(contentWidth + chromeWidth(), minimumHeight);
}

QSize VerticalScrollArea::sizeHint() const
{
    const QWidget *content = widget();
    if (!content)
        return QScrollArea::sizeHint();
    return content->sizeHint().expandedTo(minimumSizeHint()) + QSize(chromeWidth(), frameWidth() * 2);
}

bool VerticalScrollArea::eventFilter(QObject *watched, QEvent *event)
{
    // The content's minimum changes with what it holds: a page replaced,
    // a line shown.
    if (watched == widget() && event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}
