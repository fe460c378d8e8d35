#pragma once

#include "MarkdownElement.h"
#include "MarkdownRow.h"

#include <QLayout>
#include <QList>
#include <QTimer>

#include <functional>
#include <vector>

class QAbstractScrollArea;
class QWidgetItem;

// Stacks the rows of a MarkdownText, 8 pixels apart, each as wide as the
// view and as tall as its text needs. Only the rows in view, and a screenful
// around them, exist as widgets; the others are measured a few at a time
// between events (until then their height is a guess from their length), so
// that an answer of millions of characters shows, resizes and scrolls
// without holding up the program. Short texts have all their rows at once.
class MarkdownRowsLayout : public QLayout
{
    Q_OBJECT

public:
    // How a row that is not made is measured: exactly at a width (what the
    // row made then would take), and by a quick guess for many at once.
    struct RowMeasures
    {
        std::function<int(const MarkdownPiece &, int width, qreal lineSpacing)> heightForWidth;
        std::function<std::vector<MarkdownRow::HeightGuess>(const QList<MarkdownPiece> &)> heightGuesses;
    };
    // The measures of the rows that MarkdownRow::create makes.
    static RowMeasures markdownRowMeasures();

    // makeRow builds the row of a piece as a child of the view; the rows it
    // makes are measured as `measures` says.
    MarkdownRowsLayout(QWidget *view, std::function<QWidget *(const MarkdownPiece &)> makeRow,
        RowMeasures measures = markdownRowMeasures());
    ~MarkdownRowsLayout() override;

    // Replaces every row.
    void setPieces(QList<MarkdownPiece> pieces);
    const QList<MarkdownPiece> &pieces() const { return m_pieces; }
    // Makes the rows anew, as makeRow makes them now.
    void rebuildRows();
    // The spacing between the lines of the rows' text changed.
    void setLineSpacing(qreal spacing);

    // Places the rows and makes those that came into view; the view calls it
    // when it moves within a scrolling area.
    void updateShownRows();
    // Nested deeper in a scrolling area than its scrolled widget, the view
    // does not move when the area scrolls: the rows follow the areas' bars
    // instead. The view calls it when it is shown.
    void followScrollingAreas();

    // The rows that exist as widgets, in order.
    QList<QWidget *> rowWidgets() const;

    void addItem(QLayoutItem *item) override;
    int count() const override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    Qt::Orientations expandingDirections() const override { return Qt::Vertical; }
    void setGeometry(const QRect &rect) override;
    void invalidate() override;

private:
    struct Row
    {
        int index;
        QWidgetItem *item;
    };

    static constexpr int rowSpacing = 8;

    struct HeightAtWidth
    {
        int width = -1;
        int height = 0;
    };

    int unmadeRowHeight(int index, int width) const;
    // The gap above a row: none between the pieces of one block.
    int gapAbove(int index) const;
    void computeTops(int width) const;
    QRect shownRect() const;
    QAbstractScrollArea *scrollingArea() const;
    void destroyRows();
    void measureSome();
    void scheduleMeasuring();

    std::function<QWidget *(const MarkdownPiece &)> m_makeRow;
    RowMeasures m_measures;
    QList<MarkdownPiece> m_pieces;
    qreal m_lineSpacing = 0;
    std::vector<Row> m_rows; // sorted by index

    // Heights measured without a widget, at m_measuredWidth; -1 not yet.
    std::vector<int> m_measured;
    int m_measuredWidth = -1;
    int m_measureCursor = 0;
    QTimer m_measureTimer;
    QTimer m_widthSettled;

    std::vector<MarkdownRow::HeightGuess> m_guesses;

    // The top of every row at m_topsWidth, and the bottom of the last.
    mutable std::vector<int> m_tops;
    mutable int m_topsWidth = -1;
    mutable int m_topsBottom = 0;
    // The total height at the last two widths asked for.
    mutable HeightAtWidth m_totals[2];
    int m_reportedHeight = -1;
    bool m_placing = false;
};
