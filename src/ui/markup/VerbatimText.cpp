#include "VerbatimText.h"

#include "BlockLayout.h"
#include "MarkdownRowsLayout.h"
#include "TextBlock.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QTimer>
#include <QtMath>

namespace {

// About 35 lines of a wide window: laid out in a millisecond or two.
constexpr qsizetype blockLength = 2048;

} // namespace

VerbatimText::VerbatimText(QWidget *parent)
    : QWidget(parent)
{
    // Measured in the view's font of the moment, as the blocks are drawn.
    MarkdownRowsLayout::RowMeasures measures {
        [this](const MarkdownPiece &piece, int width, qreal lineSpacing) {
            QTextLayout layout;
            const QString &text = piece.element.text;
            return qCeil(BlockLayout::layOut(layout, text, font(), {}, lineSpacing, qMax(1, width),
                BlockLayout::directionOf(text, layoutDirection())));
        },
        [this](const QList<MarkdownPiece> &pieces) {
            const QFontMetricsF metrics(font());
            std::vector<MarkdownRow::HeightGuess> guesses;
            guesses.reserve(size_t(pieces.size()));
            for (const MarkdownPiece &piece : pieces) {
                const QString &text = piece.element.text;
                guesses.push_back(MarkdownRow::HeightGuess { float(text.size() * metrics.averageCharWidth()),
                    float(metrics.lineSpacing()), 0, 0, int(text.count(u'\n')) });
            }
            return guesses;
        },
    };
    m_rows = new MarkdownRowsLayout(
        this, [this](const MarkdownPiece &piece) { return makeBlock(piece); }, std::move(measures));
}

VerbatimText::~VerbatimText() = default;

void VerbatimText::setText(const QString &text)
{
    m_text = text;
    // Cut as a verbatim block is: at line ends, else white space, where the
    // text has any. The blocks are shorter than markup's rows: those out of
    // view are measured between the user's key presses, one at a time.
    m_rows->setPieces(piecesOf({ MarkdownElement(MarkdownElementType::code, text) }, blockLength));
}

const QList<MarkdownPiece> &VerbatimText::pieces() const
{
    return m_rows->pieces();
}

QList<TextBlock *> VerbatimText::blocks() const
{
    QList<TextBlock *> blocks;
    for (QWidget *row : m_rows->rowWidgets())
        blocks.append(static_cast<TextBlock *>(row));
    return blocks;
}

QWidget *VerbatimText::makeBlock(const MarkdownPiece &piece)
{
    auto *block = new TextBlock(piece.element.text, this);
    block->setObjectName(QStringLiteral("text"));
    if (m_textColor.isValid())
        block->setTextColor(m_textColor);
    block->setLineSpacing(m_lineSpacing);
    block->setTextSelectable(m_selectable);
    return block;
}

void VerbatimText::setTextColor(const QColor &color)
{
    m_textColor = color;
    for (TextBlock *block : blocks())
        block->setTextColor(color);
}

void VerbatimText::setLineSpacing(qreal spacing)
{
    m_lineSpacing = spacing;
    m_rows->setLineSpacing(spacing);
    for (TextBlock *block : blocks())
        block->setLineSpacing(spacing);
}

void VerbatimText::setTextSelectable(bool selectable)
{
    m_selectable = selectable;
    for (TextBlock *block : blocks())
        block->setTextSelectable(selectable);
}

void VerbatimText::changeEvent(QEvent *event)
{
    // The blocks out of view were measured in the old font. The new font
    // reaches the blocks (its children) after this event; they are measured
    // once it has.
    if (event->type() == QEvent::FontChange)
        m_rows->setPieces(m_rows->pieces());
    QWidget::changeEvent(event);
}

void VerbatimText::moveEvent(QMoveEvent *event)
{
    // Scrolled within a scrolling area: other blocks come into view.
    m_rows->updateShownRows();
    QWidget::moveEvent(event);
}

void VerbatimText::showEvent(QShowEvent *event)
{
    m_rows->followScrollingAreas();
    QWidget::showEvent(event);
}
