#pragma once

#include <QLabel>

// A label whose text shows as it stands, never read as markup (a name or
// title typed by the user shows as typed), in one font and colour.
class PlainLabel : public QLabel
{
    Q_OBJECT

public:
    PlainLabel(const QString &text, const QFont &font, const QColor &colour, QWidget *parent = nullptr);

    void setColour(const QColor &colour);
};
