#pragma once

#include "MarkdownPiece.h"

#include <QString>
#include <QWidget>

class MarkdownRowsLayout;

// Answer text written in light markup, drawn as a stack of rows: headings,
// bullet and numbered items, paragraphs with bold runs. Rows are 8 pixels
// apart, aligned to the leading edge of their own text's direction, and wrap
// to the width the container offers (height for width).
//
// Each row sets its own fonts and colours; a container sets what rows leave
// unset, such as the selection colours, and may make the text selectable.
//
// Any length of text is shown without holding up the program: a long text is
// parsed away from the GUI thread (its rows appear when that is done), and
// only the rows in view are made (see MarkdownRowsLayout).
class MarkdownText : public QWidget
{
    Q_OBJECT

public:
    explicit MarkdownText(const QString &content = QString(), QWidget *parent = nullptr);
    ~MarkdownText() override;

    const QString &content() const { return m_content; }
    // Parses the new content and builds its rows afresh.
    void setContent(const QString &content);

    void setTextSelectable(bool selectable);
    bool isTextSelectable() const { return m_selectable; }

    // Extra space between the lines of each row's text.
    void setLineSpacing(qreal spacing);
    qreal lineSpacing() const { return m_lineSpacing; }

    // Whether the rows of the content are all known (a long text is parsed
    // in the background).
    bool isParsed() const { return m_parsedGeneration == m_generation; }

Q_SIGNALS:
    // The rows of the content became known.
    void parsed();

protected:
    void changeEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QWidget *makeRow(const MarkdownPiece &piece);
    void configureRow(QWidget *row) const;

    QString m_content;
    bool m_selectable = false;
    qreal m_lineSpacing = 0;
    MarkdownRowsLayout *m_rows;
    quint64 m_generation = 0;
    quint64 m_parsedGeneration = 0;
};
