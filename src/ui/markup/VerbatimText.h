#pragma once

#include "MarkdownPiece.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>

class MarkdownRowsLayout;
class TextBlock;

// Text shown exactly as it was written, line breaks and blank lines
// included, in the view's font and text colour, wrapping to the width it is
// given (height for width). Nothing in it is read as markup.
//
// Any length is shown without holding up the program: a long text is cut
// into blocks that each lay out quickly (at line ends where it can), and only
// the blocks in view, and a screenful around them, are made (see
// MarkdownRowsLayout). The blocks stand one below the other with no gap.
class VerbatimText : public QWidget
{
    Q_OBJECT

public:
    explicit VerbatimText(QWidget *parent = nullptr);
    ~VerbatimText() override;

    // Shows the text in place of what was shown. Set the font first: the
    // text is measured in it (a change of font measures it anew).
    void setText(const QString &text);
    const QString &text() const { return m_text; }
    // The blocks the text is cut into, and those of them made so far, in order.
    const QList<MarkdownPiece> &pieces() const;
    QList<TextBlock *> blocks() const;

    void setTextColor(const QColor &color);
    // Extra space between the lines of the text.
    void setLineSpacing(qreal spacing);
    qreal lineSpacing() const { return m_lineSpacing; }
    // Each block can then be selected with the mouse and copied.
    void setTextSelectable(bool selectable);

protected:
    void changeEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QWidget *makeBlock(const MarkdownPiece &piece);

    QString m_text;
    QColor m_textColor;
    qreal m_lineSpacing = 0;
    bool m_selectable = false;
    MarkdownRowsLayout *m_rows;
};
