#pragma once

#include "TextBlock.h"

// The text of one block with its "**bold**" runs drawn in bold weight and the
// markers removed, in the system font at 16 pixels and the primary label
// colour, wrapping as one paragraph.
class FormattedText : public TextBlock
{
    Q_OBJECT

public:
    explicit FormattedText(const QString &text, QWidget *parent = nullptr);

    // The block's text as given, markers included.
    const QString &text() const { return m_source; }

protected:
    void changeEvent(QEvent *event) override;

private:
    // Joins the runs into the one text shown, each run keeping its weight.
    void createFormattedText();

    QString m_source;
};
