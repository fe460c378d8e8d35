#include "ListScrollArea.h"

#include "ui/Palette.h"

ListScrollArea::ListScrollArea(QWidget *parent)
    : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Shown for good: a scroll bar that comes and goes makes the scroll area
    // measure every row's height once for each pixel of the bar's width, on
    // every change of the list.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette areaPalette = palette();
    areaPalette.setColor(QPalette::Window, Palette::thinMaterial());
    setPalette(areaPalette);
    viewport()->setAutoFillBackground(true);
    // A click on the list leaves the keyboard where it was (in the chat's
    // input); Tab still reaches the list for scrolling by keys.
    setFocusPolicy(Qt::TabFocus);
}
