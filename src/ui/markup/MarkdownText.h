#pragma once

#include <QString>
#include <QWidget>

class QVBoxLayout;

// Answer text written in light markup, drawn as a stack of rows: headings,
// bullet and numbered items, paragraphs with bold runs. Rows are 8 pixels
// apart, aligned to the leading edge, and wrap to the width the container
// offers (height for width).
//
// Each row sets its own fonts and colours; a container sets what rows leave
// unset, such as the selection colours, and may make the text selectable.
class MarkdownText : public QWidget
{
    Q_OBJECT

public:
    explicit MarkdownText(const QString &content = QString(), QWidget *parent = nullptr);

    const QString &content() const { return m_content; }
    // Parses the new content and builds its rows afresh.
    void setContent(const QString &content);

    void setTextSelectable(bool selectable);
    bool isTextSelectable() const { return m_selectable; }

    // Extra space between the lines of each row's text.
    void setLineSpacing(qreal spacing);
    qreal lineSpacing() const { return m_lineSpacing; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void buildRows();

    QString m_content;
    bool m_selectable = false;
    qreal m_lineSpacing = 0;
    QVBoxLayout *m_rows;
};
