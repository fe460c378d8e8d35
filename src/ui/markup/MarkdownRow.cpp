#include "MarkdownRow.h"

#include "BlockLayout.h"
#include "FormattedText.h"
#include "TextBlock.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QtMath>

#include <cmath>

namespace {

// The look of each kind of row, shared by the rows and their measurement.
QFont headingFont()
{
    return Fonts::system(20, QFont::Bold);
}
QFont subheadingFont()
{
    return Fonts::system(18, QFont::DemiBold);
}
QFont markerFont()
{
    return Fonts::system(16, QFont::Medium);
}
QFont bodyFont()
{
    return Fonts::system(16);
}
QFont codeFont()
{
    return Fonts::monospaced(14);
}
constexpr QMargins headingPadding(0, 12, 0, 4);
constexpr QMargins subheadingPadding(0, 8, 0, 2);
constexpr QMargins paragraphPadding(0, 2, 0, 2);
constexpr int itemLeadingPadding = 8;
constexpr int itemSpacing = 8;
constexpr int markerTopPadding = 2;
constexpr int numberMarkerMinimumWidth = 20;
constexpr int codePadding = 12;

// The padding of a piece: above only on the block's first, below only on its last.
QMargins pieceOf(QMargins padding, bool first, bool last)
{
    if (!first)
        padding.setTop(0);
    if (!last)
        padding.setBottom(0);
    return padding;
}

QString markerOf(const MarkdownElement &element)
{
    return element.type == MarkdownElementType::bullet ? QStringLiteral("•")
                                                       : QString::number(element.number.value_or(1)) + u'.';
}

int textHeight(const QString &text, const QFont &font, const QList<QTextLayout::FormatRange> &formats,
    qreal lineSpacing, int width, Qt::LayoutDirection direction = Qt::LeftToRight)
{
    QTextLayout layout;
    return qCeil(BlockLayout::layOut(
        layout, text, font, formats, lineSpacing, qMax(1, width), BlockLayout::directionOf(text, direction)));
}

int naturalWidth(const QString &text, const QFont &font)
{
    QTextLayout layout;
    BlockLayout::layOut(layout, text, font, {}, 0, 1e6, BlockLayout::directionOf(text, Qt::LeftToRight));
    qreal width = 0;
    for (int i = 0; i < layout.lineCount(); ++i)
        width = qMax(width, layout.lineAt(i).naturalTextWidth());
    return qCeil(width);
}

// The width of an item's marker column: the marker's own, at least 20 for
// numbers, so that short numbers line their texts up.
int markerColumnWidth(const MarkdownElement &element)
{
    const int minimum = element.type == MarkdownElementType::bullet ? 0 : numberMarkerMinimumWidth;
    return qMax(minimum, naturalWidth(markerOf(element), markerFont()));
}

// A code block: monospaced text on a grey rounded box that is only as wide as
// the text and its padding.
class CodeBlock : public TextBlock
{
public:
    CodeBlock(const QString &text, QWidget *parent)
        : TextBlock(text, parent)
    {
        setFont(codeFont());
        setTextColor(Palette::primaryLabel());
        setContentsMargins(codePadding, codePadding, codePadding, codePadding);
        QSizePolicy policy(QSizePolicy::Maximum, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QColor fill = Palette::gray();
        fill.setAlphaF(0.1f);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(rect(), 8, 8);
        painter.end();
        TextBlock::paintEvent(event);
    }
};

TextBlock *verbatim(const QString &text, const QFont &font, const QMargins &padding, QWidget *parent)
{
    auto *block = new TextBlock(text, parent);
    block->setFont(font);
    block->setTextColor(Palette::primaryLabel());
    block->setContentsMargins(padding);
    return block;
}

// A marker column and the item's text beside it, top-aligned. The marker
// keeps at least its minimum width, so that short markers line their texts up.
QWidget *listItem(const QString &marker, const QString &text, int minimumMarkerWidth, QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setSpacing(itemSpacing);

    auto *markerBlock = new TextBlock(marker, row);
    markerBlock->setFont(markerFont());
    markerBlock->setTextColor(Palette::secondaryLabel());
    markerBlock->setContentsMargins(0, markerTopPadding, 0, 0);
    markerBlock->setMinimumWidth(minimumMarkerWidth);
    markerBlock->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto *itemText = new FormattedText(text, row);
    layout->addWidget(markerBlock, 0, Qt::AlignTop);
    layout->addWidget(itemText, 1);

    // An item in a right-to-left script stands mirrored: its marker on the
    // right, the padding on its leading (right) side.
    const Qt::LayoutDirection direction
        = BlockLayout::directionOf(itemText->plainText(), row->layoutDirection());
    row->setLayoutDirection(direction);
    if (direction == Qt::RightToLeft)
        layout->setContentsMargins(0, 0, itemLeadingPadding, 0);
    else
        layout->setContentsMargins(itemLeadingPadding, 0, 0, 0);
    return row;
}

QWidget *codeRow(const QString &text, QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new CodeBlock(text, row));
    layout->addStretch(1);
    return row;
}

} // namespace

namespace MarkdownRow {

int heightForWidth(const MarkdownElement &element, int width, qreal lineSpacing)
{
    return heightForWidth(MarkdownPiece { element, true, true }, width, lineSpacing);
}

int heightForWidth(const MarkdownPiece &piece, int width, qreal lineSpacing)
{
    const MarkdownElement &element = piece.element;
    switch (element.type) {
    case MarkdownElementType::heading:
    case MarkdownElementType::subheading: {
        const bool heading = element.type == MarkdownElementType::heading;
        const QMargins padding
            = pieceOf(heading ? headingPadding : subheadingPadding, piece.first, piece.last);
        return textHeight(element.text, heading ? headingFont() : subheadingFont(), {}, lineSpacing,
                   width - padding.left() - padding.right())
            + padding.top() + padding.bottom();
    }
    case MarkdownElementType::bullet:
    case MarkdownElementType::numberedList: {
        const int markerWidth = markerColumnWidth(element);
        const QString marker = piece.first ? markerOf(element) : QString();
        QList<QTextLayout::FormatRange> formats;
        const QString text = BlockLayout::shownText(element.text, &formats);
        // A row too narrow for both keeps the text at its minimum width
        // (a few characters) and runs past its right edge.
        const int textMinimum
            = qMin(naturalWidth(text, bodyFont()), 4 * QFontMetrics(bodyFont()).averageCharWidth());
        const int textWidth = qMax(width - itemLeadingPadding - markerWidth - itemSpacing, textMinimum);
        const int markerHeight
            = textHeight(marker, markerFont(), {}, lineSpacing, markerWidth) + markerTopPadding;
        return qMax(markerHeight, textHeight(text, bodyFont(), formats, lineSpacing, textWidth));
    }
    case MarkdownElementType::paragraph: {
        QList<QTextLayout::FormatRange> formats;
        const QString text = BlockLayout::shownText(element.text, &formats);
        const QMargins padding = pieceOf(paragraphPadding, piece.first, piece.last);
        return textHeight(text, bodyFont(), formats, lineSpacing, width) + padding.top() + padding.bottom();
    }
    case MarkdownElementType::code: {
        const int boxWidth = qMin(width, naturalWidth(element.text, codeFont()) + 2 * codePadding);
        return textHeight(element.text, codeFont(), {}, lineSpacing, boxWidth - 2 * codePadding)
            + 2 * codePadding;
    }
    }
    return 0;
}

std::vector<HeightGuess> heightGuesses(const QList<MarkdownPiece> &pieces)
{
    struct Look
    {
        qreal averageCharWidth;
        float lineHeight;
    };
    const auto lookOf = [](const QFont &font) {
        const QFontMetricsF metrics(font);
        return Look { metrics.averageCharWidth(), float(metrics.lineSpacing()) };
    };
    const Look heading = lookOf(headingFont());
    const Look subheading = lookOf(subheadingFont());
    const Look body = lookOf(bodyFont());
    const Look code = lookOf(codeFont());

    std::vector<HeightGuess> guesses;
    guesses.reserve(size_t(pieces.size()));
    for (const MarkdownPiece &piece : pieces) {
        const MarkdownElement &element = piece.element;
        const qreal length = qreal(element.text.size());
        const auto guess = [length](const Look &look, int indent, int padding) {
            return HeightGuess { float(length * look.averageCharWidth), look.lineHeight, indent, padding };
        };
        switch (element.type) {
        case MarkdownElementType::heading:
            guesses.push_back(guess(heading, 0, headingPadding.top() + headingPadding.bottom()));
            break;
        case MarkdownElementType::subheading:
            guesses.push_back(guess(subheading, 0, subheadingPadding.top() + subheadingPadding.bottom()));
            break;
        case MarkdownElementType::bullet:
        case MarkdownElementType::numberedList:
            guesses.push_back(guess(body, itemLeadingPadding + numberMarkerMinimumWidth + itemSpacing, 0));
            break;
        case MarkdownElementType::paragraph:
            guesses.push_back(guess(body, 0, paragraphPadding.top() + paragraphPadding.bottom()));
            break;
        case MarkdownElementType::code:
            guesses.push_back(guess(code, 2 * codePadding, 2 * codePadding));
            break;
        }
    }
    return guesses;
}

int guessedHeight(const HeightGuess &guess, int width, qreal lineSpacing)
{
    const qreal lines
        = qMax<qreal>(guess.lineBreaks + 1, std::ceil(guess.textAdvance / qMax(1, width - guess.indent)));
    return qCeil(lines * guess.lineHeight + (lines - 1) * lineSpacing) + guess.padding;
}

QWidget *create(const MarkdownElement &element, QWidget *parent)
{
    return create(MarkdownPiece { element, true, true }, parent);
}

QWidget *create(const MarkdownPiece &piece, QWidget *parent)
{
    const MarkdownElement &element = piece.element;
    switch (element.type) {
    case MarkdownElementType::heading:
        return verbatim(
            element.text, headingFont(), pieceOf(headingPadding, piece.first, piece.last), parent);
    case MarkdownElementType::subheading:
        return verbatim(
            element.text, subheadingFont(), pieceOf(subheadingPadding, piece.first, piece.last), parent);
    case MarkdownElementType::bullet:
    case MarkdownElementType::numberedList:
        // The block's later pieces keep its marker's column, empty.
        return listItem(piece.first ? markerOf(element) : QString(), element.text,
            piece.first && element.type == MarkdownElementType::bullet ? 0 : markerColumnWidth(element),
            parent);
    case MarkdownElementType::paragraph: {
        auto *paragraph = new FormattedText(element.text, parent);
        paragraph->setContentsMargins(pieceOf(paragraphPadding, piece.first, piece.last));
        return paragraph;
    }
    case MarkdownElementType::code:
        return codeRow(element.text, parent);
    }
    return nullptr;
}

} // namespace MarkdownRow
