#include "PickerMenu.h"

#include <QWheelEvent>

PickerMenu::PickerMenu(QWidget *parent)
    : QComboBox(parent)
{
    // A combo box takes the focus from the wheel too, and then turns at once.
    setFocusPolicy(Qt::StrongFocus);
}

void PickerMenu::wheelEvent(QWheelEvent *event)
{
    if (hasFocus())
        QComboBox::wheelEvent(event);
    else
        event->ignore(); // on to the scroll area around the panel
}
