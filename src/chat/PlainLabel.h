#pragma once

#include <QLabel>

// A label of the chat window: its text shown as it stands, never read as
// markup, in one font and colour.
class PlainLabel : public QLabel
{
    Q_OBJECT

public:
    PlainLabel(const QString &text, const QFont &font, const QColor &colour, QWidget *parent = nullptr);

    void setColour(const QColor &colour);
};
