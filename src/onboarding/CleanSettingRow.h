#pragma once

#include "ui/Surface.h"

// A card-like row of the personalisation step: a title over a subtitle on
// the left, a control at the right end, on a faint rounded background as
// wide as it is given.
class CleanSettingRow : public Surface
{
    Q_OBJECT

public:
    // The row takes the trailing widget.
    CleanSettingRow(
        const QString &title, const QString &subtitle, QWidget *trailing, QWidget *parent = nullptr);

    QWidget *trailing() const { return m_trailing; }

private:
    QWidget *m_trailing;
};
