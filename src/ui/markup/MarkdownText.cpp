#include "MarkdownText.h"

#include "MarkdownParser.h"
#include "MarkdownRow.h"
#include "MarkdownRowsLayout.h"
#include "TextBlock.h"
#include "platform/Background.h"

#include <QEvent>
#include <QFutureWatcher>
#include <QTimer>

namespace {

// Up to this length a text is parsed at once: it takes a few milliseconds.
constexpr qsizetype parseAtOnceLength = 64 * 1024;

} // namespace

MarkdownText::MarkdownText(const QString &content, QWidget *parent)
    : QWidget(parent)
    , m_rows(new MarkdownRowsLayout(this, [this](const MarkdownPiece &piece) { return makeRow(piece); }))
{
    setContent(content);
}

MarkdownText::~MarkdownText() = default;

void MarkdownText::setContent(const QString &content)
{
    m_content = content;
    const quint64 generation = ++m_generation;
    if (content.size() <= parseAtOnceLength) {
        m_rows->setPieces(piecesOf(parseMarkdown(content)));
        m_parsedGeneration = generation;
        Q_EMIT parsed();
        return;
    }
    // The old rows go at once; the new ones come when the parse is done,
    // unless the content has changed again by then.
    m_rows->setPieces({});
    auto *watcher = new QFutureWatcher<QList<MarkdownPiece>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (generation != m_generation)
            return;
        m_rows->setPieces(watcher->result());
        m_parsedGeneration = generation;
        Q_EMIT parsed();
    });
    watcher->setFuture(Background::run([content] { return piecesOf(parseMarkdown(content)); }));
}

QWidget *MarkdownText::makeRow(const MarkdownPiece &piece)
{
    QWidget *row = MarkdownRow::create(piece, this);
    configureRow(row);
    return row;
}

void MarkdownText::configureRow(QWidget *row) const
{
    QList<TextBlock *> blocks = row->findChildren<TextBlock *>();
    if (auto *block = qobject_cast<TextBlock *>(row))
        blocks.append(block);
    for (TextBlock *block : blocks) {
        block->setTextSelectable(m_selectable);
        block->setLineSpacing(m_lineSpacing);
    }
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
    m_rows->setLineSpacing(spacing);
    for (TextBlock *block : findChildren<TextBlock *>())
        block->setLineSpacing(spacing);
}

void MarkdownText::changeEvent(QEvent *event)
{
    // The rows take their colours from the palette of the moment. They are
    // made again later: the application is still walking its widgets, and
    // the old rows must outlive that walk.
    if (event->type() == QEvent::PaletteChange)
        QTimer::singleShot(0, this, [this] { m_rows->rebuildRows(); });
    QWidget::changeEvent(event);
}

void MarkdownText::moveEvent(QMoveEvent *event)
{
    // Scrolled within a scrolling area: other rows come into view.
    m_rows->updateShownRows();
    QWidget::moveEvent(event);
}

void MarkdownText::showEvent(QShowEvent *event)
{
    m_rows->followScrollingAreas();
    QWidget::showEvent(event);
}
