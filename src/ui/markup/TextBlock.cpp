#include "TextBlock.h"

#include "BidiIsolation.h"
#include "BlockLayout.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <QtMath>

#include <algorithm>

namespace {
// Wider than any view: text laid out at this width keeps its natural lines.
constexpr qreal unboundedWidth = 1e6;
} // namespace

TextBlock::TextBlock(const QString &text, QWidget *parent)
    : QWidget(parent)
    , m_text(text)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setFocusPolicy(Qt::NoFocus);
}

void TextBlock::setText(const QString &text, const QList<QTextLayout::FormatRange> &formats)
{
    m_text = text;
    m_formats = formats;
    m_anchor = m_position = 0;
    invalidateLayout();
}

void TextBlock::setTextColor(const QColor &color)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, color);
    setPalette(palette);
}

void TextBlock::setLineSpacing(qreal spacing)
{
    m_lineSpacing = spacing;
    invalidateLayout();
}

void TextBlock::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    invalidateLayout();
}

void TextBlock::setTextSelectable(bool selectable)
{
    m_selectable = selectable;
    if (selectable) {
        setCursor(Qt::IBeamCursor);
    } else {
        unsetCursor();
        select(0, 0);
    }
}

QString TextBlock::selectedText() const
{
    return m_text.mid(qMin(m_anchor, m_position), qAbs(m_position - m_anchor));
}

int TextBlock::heightForWidth(int width) const
{
    auto known = std::find_if(
        m_heights.begin(), m_heights.end(), [width](const HeightAtWidth &at) { return at.width == width; });
    if (known == m_heights.end()) {
        const QMargins margins = contentsMargins();
        const int textWidth = qMax(1, width - margins.left() - margins.right());
        QTextLayout layout;
        known = m_heights.end() - 1;
        *known = { width, qCeil(layOut(layout, textWidth)) + margins.top() + margins.bottom() };
    }
    // The latest first; the oldest goes when another width is asked for.
    std::rotate(m_heights.begin(), known, known + 1);
    return m_heights.front().height;
}

QSize TextBlock::sizeHint() const
{
    const QMargins margins = contentsMargins();
    const int width = qCeil(naturalWidth()) + margins.left() + margins.right();
    return QSize(width, heightForWidth(width));
}

QSize TextBlock::minimumSizeHint() const
{
    // A few characters: narrower than that, wrapping stops being readable.
    const QMargins margins = contentsMargins();
    const int width = qMin(qCeil(naturalWidth()), 4 * fontMetrics().averageCharWidth()) + margins.left()
        + margins.right();
    return QSize(width, fontMetrics().height() + margins.top() + margins.bottom());
}

void TextBlock::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::LayoutDirectionChange:
    case QEvent::ContentsRectChange:
        invalidateLayout();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void TextBlock::paintEvent(QPaintEvent *)
{
    const QTextLayout &layout = paintedLayout();
    QList<QTextLayout::FormatRange> selections;
    if (hasSelection()) {
        QTextLayout::FormatRange selection;
        // Positions as laid out: its line breaks as separators, and its
        // paragraphs isolated when it reorders.
        const QString separated = BlockLayout::withLineSeparators(m_text);
        const qsizetype start = BidiIsolation::isolatedPosition(separated, qMin(m_anchor, m_position));
        selection.start = int(start);
        selection.length
            = int(BidiIsolation::isolatedPosition(separated, qMax(m_anchor, m_position)) - start);
        selection.format.setBackground(palette().brush(QPalette::Highlight));
        selection.format.setForeground(palette().brush(QPalette::HighlightedText));
        selections.append(selection);
    }
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    layout.draw(&painter, contentsRect().topLeft(), selections);
}

void TextBlock::mousePressEvent(QMouseEvent *event)
{
    if (!m_selectable || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int position = positionAt(event->position().toPoint());
    select(position, position);
}

void TextBlock::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_selectable || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    select(m_anchor, positionAt(event->position().toPoint()));
}

void TextBlock::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_selectable || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    // On X11 a selection is also offered for pasting with the middle button.
    if (hasSelection() && QGuiApplication::clipboard()->supportsSelection())
        copySelection(QClipboard::Selection);
}

void TextBlock::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!m_selectable || event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    const int position = positionAt(event->position().toPoint());
    QTextBoundaryFinder words(QTextBoundaryFinder::Word, m_text);
    words.setPosition(position);
    qsizetype start = position;
    if (!words.isAtBoundary() || !words.boundaryReasons().testFlag(QTextBoundaryFinder::StartOfItem))
        start = words.toPreviousBoundary();
    words.setPosition(qMax<qsizetype>(0, start));
    const qsizetype end = words.toNextBoundary();
    select(int(qMax<qsizetype>(0, start)), int(end < 0 ? m_text.size() : end));
}

void TextBlock::keyPressEvent(QKeyEvent *event)
{
    if (m_selectable && event->matches(QKeySequence::Copy)) {
        copySelection(QClipboard::Clipboard);
    } else if (m_selectable && event->matches(QKeySequence::SelectAll)) {
        select(0, int(m_text.size()));
    } else {
        QWidget::keyPressEvent(event);
    }
}

void TextBlock::focusOutEvent(QFocusEvent *event)
{
    // Like a label: the selection goes when another block takes the focus,
    // but stays while the context menu is open or the window is inactive.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        select(0, 0);
    QWidget::focusOutEvent(event);
}

void TextBlock::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_selectable) {
        QWidget::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    QAction *copy
        = menu.addAction(QStringLiteral("Copy"), this, [this] { copySelection(QClipboard::Clipboard); });
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(hasSelection());
    QAction *selectAll
        = menu.addAction(QStringLiteral("Select All"), this, [this] { select(0, int(m_text.size())); });
    selectAll->setShortcut(QKeySequence::SelectAll);
    menu.exec(event->globalPos());
}

qreal TextBlock::layOut(QTextLayout &layout, qreal width) const
{
    return BlockLayout::layOut(
        layout, m_text, font(), m_formats, m_lineSpacing, width, textDirection(), m_alignment);
}

Qt::LayoutDirection TextBlock::textDirection() const
{
    // Each block reads in the direction of its own text; one without letters
    // (a list marker, a number) follows the row it stands in.
    return BlockLayout::directionOf(m_text, layoutDirection());
}

qreal TextBlock::naturalWidth() const
{
    if (m_naturalWidth < 0) {
        QTextLayout layout;
        layOut(layout, unboundedWidth);
        m_naturalWidth = 0;
        for (int i = 0; i < layout.lineCount(); ++i)
            m_naturalWidth = qMax(m_naturalWidth, layout.lineAt(i).naturalTextWidth());
    }
    return m_naturalWidth;
}

const QTextLayout &TextBlock::paintedLayout()
{
    const int width = qMax(1, contentsRect().width());
    if (width != m_layoutWidth) {
        layOut(m_layout, width);
        m_layoutWidth = width;
    }
    return m_layout;
}

int TextBlock::positionAt(const QPoint &point)
{
    const QTextLayout &layout = paintedLayout();
    if (layout.lineCount() == 0)
        return 0;
    const QPointF local = point - contentsRect().topLeft();
    QTextLine line = layout.lineAt(0);
    for (int i = 1; i < layout.lineCount() && local.y() >= line.y() + line.height(); ++i)
        line = layout.lineAt(i);
    return int(
        BidiIsolation::sourcePosition(BlockLayout::withLineSeparators(m_text), line.xToCursor(local.x())));
}

void TextBlock::select(int anchor, int position)
{
    if (anchor == m_anchor && position == m_position)
        return;
    m_anchor = anchor;
    m_position = position;
    // A plain click leaves the keyboard where it was (in a field, say); the
    // block takes it once something is selected in it, for Ctrl+C.
    if (m_selectable && hasSelection() && !hasFocus())
        setFocus(Qt::MouseFocusReason);
    update();
}

void TextBlock::copySelection(QClipboard::Mode mode) const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText(), mode);
}

void TextBlock::invalidateLayout()
{
    m_layoutWidth = -1;
    m_naturalWidth = -1;
    m_heights.fill(HeightAtWidth());
    updateGeometry();
    update();
}
