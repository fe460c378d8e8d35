#include "MarkdownRowsLayout.h"

#include "MarkdownRow.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QWidget>
#include <QWidgetItem>

#include <algorithm>

namespace {

// Up to this many rows, every row is made at once.
constexpr int eagerRowCount = 64;
// How long one turn of measuring may hold the event loop.
constexpr int measureSliceMs = 6;
// How long the width must stay the same before the rows out of view are
// measured at it.
constexpr int widthSettleMs = 150;

} // namespace

MarkdownRowsLayout::RowMeasures MarkdownRowsLayout::markdownRowMeasures()
{
    return RowMeasures {
        [](const MarkdownPiece &piece, int width, qreal lineSpacing) {
            return MarkdownRow::heightForWidth(piece, width, lineSpacing);
        },
        [](const QList<MarkdownPiece> &pieces) { return MarkdownRow::heightGuesses(pieces); },
    };
}

MarkdownRowsLayout::MarkdownRowsLayout(
    QWidget *view, std::function<QWidget *(const MarkdownPiece &)> makeRow, RowMeasures measures)
    : QLayout(view)
    , m_makeRow(std::move(makeRow))
    , m_measures(std::move(measures))
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(rowSpacing);
    m_measureTimer.setInterval(0);
    connect(&m_measureTimer, &QTimer::timeout, this, &MarkdownRowsLayout::measureSome);
    m_widthSettled.setSingleShot(true);
    m_widthSettled.setInterval(widthSettleMs);
    connect(&m_widthSettled, &QTimer::timeout, this, &MarkdownRowsLayout::scheduleMeasuring);
}

MarkdownRowsLayout::~MarkdownRowsLayout()
{
    // The row widgets belong to the view; only their items are ours.
    for (const Row &row : m_rows)
        delete row.item;
}

void MarkdownRowsLayout::setPieces(QList<MarkdownPiece> pieces)
{
    destroyRows();
    m_pieces = std::move(pieces);
    m_guesses = m_measures.heightGuesses(m_pieces);
    m_measured.assign(m_pieces.size(), -1);
    m_measuredWidth = -1;
    m_measureCursor = 0;
    m_measureTimer.stop();
    invalidate();
    updateShownRows();
}

void MarkdownRowsLayout::rebuildRows()
{
    destroyRows();
    invalidate();
    updateShownRows();
}

void MarkdownRowsLayout::setLineSpacing(qreal spacing)
{
    if (spacing == m_lineSpacing)
        return;
    m_lineSpacing = spacing;
    m_measured.assign(m_pieces.size(), -1);
    m_measuredWidth = -1;
    invalidate();
}

QList<QWidget *> MarkdownRowsLayout::rowWidgets() const
{
    QList<QWidget *> widgets;
    for (const Row &row : m_rows)
        widgets.append(row.item->widget());
    return widgets;
}

void MarkdownRowsLayout::destroyRows()
{
    std::vector<Row> rows;
    rows.swap(m_rows);
    for (const Row &row : rows) {
        delete row.item->widget();
        delete row.item;
    }
}

// QLayout

void MarkdownRowsLayout::addItem(QLayoutItem *item)
{
    // Rows come from the elements only.
    delete item;
}

int MarkdownRowsLayout::count() const
{
    return int(m_rows.size());
}

QLayoutItem *MarkdownRowsLayout::itemAt(int index) const
{
    return index >= 0 && index < count() ? m_rows[size_t(index)].item : nullptr;
}

QLayoutItem *MarkdownRowsLayout::takeAt(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem *item = m_rows[size_t(index)].item;
    m_rows.erase(m_rows.begin() + index);
    m_topsWidth = -1;
    return item;
}

QSize MarkdownRowsLayout::sizeHint() const
{
    int width = 0;
    for (const Row &row : m_rows)
        width = qMax(width, row.item->sizeHint().width());
    return QSize(width, heightForWidth(width));
}

QSize MarkdownRowsLayout::minimumSize() const
{
    int width = 0;
    for (const Row &row : m_rows)
        width = qMax(width, row.item->minimumSize().width());
    return QSize(width, 0);
}

int MarkdownRowsLayout::heightForWidth(int width) const
{
    // Layouts ask at two widths in turn; each is kept.
    for (const HeightAtWidth &known : m_totals) {
        if (known.width == width)
            return known.height;
    }
    int total = 0;
    size_t next = 0;
    for (int i = 0; i < int(m_pieces.size()); ++i) {
        const bool made = next < m_rows.size() && m_rows[next].index == i;
        total
            += gapAbove(i) + (made ? m_rows[next++].item->heightForWidth(width) : unmadeRowHeight(i, width));
    }
    m_totals[1] = m_totals[0];
    m_totals[0] = { width, total };
    return total;
}

void MarkdownRowsLayout::invalidate()
{
    m_topsWidth = -1;
    m_totals[0] = m_totals[1] = HeightAtWidth();
    QLayout::invalidate();
}

void MarkdownRowsLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    updateShownRows();
}

// Heights and places

int MarkdownRowsLayout::unmadeRowHeight(int index, int width) const
{
    if (m_measuredWidth == width && m_measured[size_t(index)] >= 0)
        return m_measured[size_t(index)];
    return MarkdownRow::guessedHeight(m_guesses[size_t(index)], width, m_lineSpacing);
}

int MarkdownRowsLayout::gapAbove(int index) const
{
    return index > 0 && m_pieces.at(index).first ? rowSpacing : 0;
}

void MarkdownRowsLayout::computeTops(int width) const
{
    if (m_topsWidth == width)
        return;
    m_tops.resize(m_pieces.size());
    int top = 0;
    size_t next = 0;
    for (int i = 0; i < int(m_pieces.size()); ++i) {
        top += gapAbove(i);
        m_tops[size_t(i)] = top;
        const bool made = next < m_rows.size() && m_rows[next].index == i;
        top += made ? m_rows[next++].item->heightForWidth(width) : unmadeRowHeight(i, width);
    }
    m_topsBottom = top;
    m_topsWidth = width;
}

QRect MarkdownRowsLayout::shownRect() const
{
    // The part of the view that its ancestors leave uncovered: in a scrolling
    // area, what is in view.
    const QWidget *view = parentWidget();
    QRect shown = view->rect();
    QPoint offset;
    for (const QWidget *widget = view; !widget->isWindow() && widget->parentWidget();
         widget = widget->parentWidget()) {
        offset += widget->pos();
        shown &= widget->parentWidget()->rect().translated(-offset);
    }
    return shown;
}

QAbstractScrollArea *MarkdownRowsLayout::scrollingArea() const
{
    for (QWidget *widget = parentWidget(); widget && !widget->isWindow(); widget = widget->parentWidget()) {
        if (auto *area = qobject_cast<QAbstractScrollArea *>(widget->parentWidget());
            area && area->viewport() == widget)
            return area;
    }
    return nullptr;
}

void MarkdownRowsLayout::updateShownRows()
{
    if (m_placing)
        return;
    const QScopedValueRollback placing(m_placing, true);
    const QRect area = geometry().isValid() ? geometry() : parentWidget()->rect();
    const int width = area.width();
    const int count = int(m_pieces.size());
    if (width <= 0 || count == 0)
        return;

    // The row at the top of the view keeps its place on screen while the
    // rows above it change height.
    const QRect shown = shownRect().translated(-area.topLeft());
    computeTops(width);
    const auto rowAt = [this](int y) {
        return int(std::upper_bound(m_tops.begin(), m_tops.end(), y) - m_tops.begin()) - 1;
    };
    const int anchor = shown.top() > 0 ? qMax(0, rowAt(shown.top())) : -1;
    const int anchorTop = anchor >= 0 ? m_tops[size_t(anchor)] : 0;

    for (int pass = 0; pass < 3; ++pass) {
        int first = 0;
        int last = count - 1;
        if (count > eagerRowCount) {
            const int reach = qMax(shown.height(), 300);
            const int top = shown.isEmpty() ? 0 : shown.top();
            const int bottom = shown.isEmpty() ? 1000 : shown.bottom();
            first = qMax(0, rowAt(top - reach));
            last = qMax(first, qMin(count - 1, rowAt(bottom + reach)));
        }
        // Rows far out of view go, unless the keyboard is in them.
        bool changed = false;
        for (size_t r = 0; r < m_rows.size();) {
            const Row row = m_rows[r];
            QWidget *widget = row.item->widget();
            if ((row.index < first - 20 || row.index > last + 20)
                && !widget->isAncestorOf(QApplication::focusWidget())) {
                m_rows.erase(m_rows.begin() + qsizetype(r));
                delete row.item;
                widget->hide();
                widget->deleteLater();
                changed = true;
            } else {
                ++r;
            }
        }
        for (int i = first; i <= last; ++i) {
            const auto at = std::lower_bound(
                m_rows.begin(), m_rows.end(), i, [](const Row &row, int index) { return row.index < index; });
            if (at != m_rows.end() && at->index == i)
                continue;
            QWidget *widget = m_makeRow(m_pieces.at(i));
            m_rows.insert(at, Row { i, new QWidgetItem(widget) });
            widget->show();
            changed = true;
        }
        if (!changed)
            break;
        m_topsWidth = -1;
        m_totals[0] = m_totals[1] = HeightAtWidth();
        computeTops(width);
    }

    for (const Row &row : m_rows) {
        const int top = m_tops[size_t(row.index)];
        row.item->setGeometry(QRect(area.x(), area.y() + top, width, row.item->heightForWidth(width)));
    }

    if (anchor >= 0 && m_tops[size_t(anchor)] != anchorTop) {
        if (QAbstractScrollArea *scrolling = scrollingArea()) {
            QScrollBar *bar = scrolling->verticalScrollBar();
            const int shift = m_tops[size_t(anchor)] - anchorTop;
            // After the scrolling area has taken the view's new height.
            QTimer::singleShot(0, bar, [bar, shift] { bar->setValue(bar->value() + shift); });
        }
    }
    if (m_topsBottom != m_reportedHeight) {
        m_reportedHeight = m_topsBottom;
        parentWidget()->updateGeometry();
    }
    if (width != m_measuredWidth && int(m_rows.size()) < count)
        m_widthSettled.start();
}

void MarkdownRowsLayout::followScrollingAreas()
{
    for (QWidget *widget = parentWidget(); widget; widget = widget->parentWidget()) {
        if (auto *area = qobject_cast<QAbstractScrollArea *>(widget)) {
            connect(area->verticalScrollBar(), &QScrollBar::valueChanged, this,
                &MarkdownRowsLayout::updateShownRows, Qt::UniqueConnection);
        }
    }
}

// Measuring the rows out of view

void MarkdownRowsLayout::scheduleMeasuring()
{
    if (int(m_rows.size()) < int(m_pieces.size()))
        m_measureTimer.start();
}

void MarkdownRowsLayout::measureSome()
{
    const int width = geometry().width();
    if (width <= 0) {
        m_measureTimer.stop();
        return;
    }
    if (width != m_measuredWidth) {
        m_measured.assign(m_pieces.size(), -1);
        m_measuredWidth = width;
        m_measureCursor = 0;
    }
    QElapsedTimer slice;
    slice.start();
    bool changed = false;
    const int count = int(m_pieces.size());
    while (m_measureCursor < count && slice.elapsed() < measureSliceMs) {
        const int i = m_measureCursor++;
        const int guess = MarkdownRow::guessedHeight(m_guesses[size_t(i)], width, m_lineSpacing);
        m_measured[size_t(i)] = m_measures.heightForWidth(m_pieces.at(i), width, m_lineSpacing);
        changed |= m_measured[size_t(i)] != guess;
    }
    if (m_measureCursor >= count)
        m_measureTimer.stop();
    if (changed) {
        m_topsWidth = -1;
        m_totals[0] = m_totals[1] = HeightAtWidth();
        updateShownRows();
    }
}
