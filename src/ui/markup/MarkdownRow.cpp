#include "MarkdownRow.h"

#include "FormattedText.h"
#include "TextBlock.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QHBoxLayout>
#include <QPainter>

namespace {

// A code block: monospaced text on a grey rounded box that is only as wide as
// the text and its padding.
class CodeBlock : public TextBlock
{
public:
    CodeBlock(const QString &text, QWidget *parent)
        : TextBlock(text, parent)
    {
        setFont(Fonts::monospaced(14));
        setTextColor(Palette::primaryLabel());
        setContentsMargins(12, 12, 12, 12);
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
    layout->setContentsMargins(8, 0, 0, 0);
    layout->setSpacing(8);

    auto *markerBlock = new TextBlock(marker, row);
    markerBlock->setFont(Fonts::system(16, QFont::Medium));
    markerBlock->setTextColor(Palette::secondaryLabel());
    markerBlock->setContentsMargins(0, 2, 0, 0);
    markerBlock->setMinimumWidth(minimumMarkerWidth);
    markerBlock->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    layout->addWidget(markerBlock, 0, Qt::AlignTop);
    layout->addWidget(new FormattedText(text, row), 1);
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

QWidget *create(const MarkdownElement &element, QWidget *parent)
{
    switch (element.type) {
    case MarkdownElementType::heading:
        return verbatim(element.text, Fonts::system(20, QFont::Bold), QMargins(0, 12, 0, 4), parent);
    case MarkdownElementType::subheading:
        return verbatim(element.text, Fonts::system(18, QFont::DemiBold), QMargins(0, 8, 0, 2), parent);
    case MarkdownElementType::bullet:
        return listItem(QStringLiteral("•"), element.text, 0, parent);
    case MarkdownElementType::numberedList:
        return listItem(QString::number(element.number.value_or(1)) + u'.', element.text, 20, parent);
    case MarkdownElementType::paragraph: {
        auto *paragraph = new FormattedText(element.text, parent);
        paragraph->setContentsMargins(0, 2, 0, 2);
        return paragraph;
    }
    case MarkdownElementType::code:
        return codeRow(element.text, parent);
    }
    return nullptr;
}

} // namespace MarkdownRow
