#pragma once

#include <QComboBox>

// The menu of a settings picker. The wheel changes its entry only once it
// has the keyboard focus (a click or Tab gives it): a panel scrolled past it
// goes on scrolling, and no stored value is replaced by a notch of the wheel
// that was meant for the panel.
class PickerMenu : public QComboBox
{
    Q_OBJECT

public:
    explicit PickerMenu(QWidget *parent = nullptr);

protected:
    void wheelEvent(QWheelEvent *event) override;
};
