#include "MarkdownText.h"

#include "MarkdownParser.h"
#include "MarkdownRow.h"
#include "TextBlock.h"

#include <QEvent>
#include <QTimer>
#include <QVBoxLayout>

MarkdownText::MarkdownText(const QString &content, QWidget *parent)
    : QWidget(parent)
    , m_content(content)
    , m_rows(new QVBoxLayout(this))
{
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(8);
    buildRows();
}

void MarkdownText::setContent(const QString &content)
{
    m_content = content;
    buildRows();
}

void MarkdownText::setTextSelectable(bool selectable)
{
    m_selectable = selectable;
    for (TextBlock *block : findChildren<TextBlock *>())
        block->setTextSelectable(selectable);
}

void MarkdownText::setLineSpacing(qreal spacing)
{
    m_lineSpacing = spacing;
    for (TextBlock *block : findChildren<TextBlock *>())
        block->setLineSpacing(spacing);
}

void MarkdownText::changeEvent(QEvent *event)
{
    // The rows take their colours from the palette of the moment. They are
    // rebuilt later: the application is still walking its widgets, and the
    // old rows must outlive that walk.
    if (event->type() == QEvent::PaletteChange)
        QTimer::singleShot(0, this, &MarkdownText::buildRows);
    QWidget::changeEvent(event);
}

void MarkdownText::buildRows()
{
    while (QLayoutItem *item = m_rows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    // Rows are known by their position only; every parse makes new elements.
    for (const MarkdownElement &element : parseMarkdown(m_content)) {
        QWidget *row = MarkdownRow::create(element, this);
        m_rows->addWidget(row);
        // Shown now rather than on the next turn of the event loop, so that
        // the new rows count when the container measures the view at once.
        row->show();
    }
    // Extra height goes below the last row.
    m_rows->addStretch(1);
    setTextSelectable(m_selectable);
    setLineSpacing(m_lineSpacing);
}
