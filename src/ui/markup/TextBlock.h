#pragma once

#include <QClipboard>
#include <QList>
#include <QTextLayout>
#include <QWidget>

#include <array>

// One block of text, drawn character for character: nothing in it is read as
// markup, so a "<b>" or an "&amp;" shows as written and nothing is loaded.
// It wraps to the width it is given, between words where it can and inside a
// word that is wider than a line, and is as tall as its lines (height for
// width). Runs of it may carry their own format, such as a bold weight.
//
// The block sets its own font and text colour; whatever it leaves unset, such
// as the selection colours, comes from its container. A container may make
// the text selectable.
class TextBlock : public QWidget
{
    Q_OBJECT

public:
    explicit TextBlock(const QString &text = QString(), QWidget *parent = nullptr);

    // The characters to show and the formats of runs of them (positions and
    // lengths in UTF-16 units of the text).
    void setText(const QString &text, const QList<QTextLayout::FormatRange> &formats = {});
    const QString &plainText() const { return m_text; }
    const QList<QTextLayout::FormatRange> &formats() const { return m_formats; }

    void setTextColor(const QColor &color);

    // How each line sits across the block's width: at the leading edge of
    // the text's direction unless set (Qt::AlignHCenter centres the lines).
    void setAlignment(Qt::Alignment alignment);
    Qt::Alignment alignment() const { return m_alignment; }

    // Extra space between the lines of the block (not above or below it).
    void setLineSpacing(qreal spacing);
    qreal lineSpacing() const { return m_lineSpacing; }

    // Lets the user select with the mouse (a double click selects a word) and
    // copy with Ctrl+C or the context menu.
    void setTextSelectable(bool selectable);
    bool isTextSelectable() const { return m_selectable; }
    QString selectedText() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    // As wide as the text on one line.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // Breaks the text into lines of at most width pixels; returns their height.
    qreal layOut(QTextLayout &layout, qreal width) const;
    Qt::LayoutDirection textDirection() const;
    qreal naturalWidth() const;
    const QTextLayout &paintedLayout();
    int positionAt(const QPoint &point);
    void select(int anchor, int position);
    bool hasSelection() const { return m_anchor != m_position; }
    void copySelection(QClipboard::Mode mode) const;
    void invalidateLayout();

    QString m_text;
    QList<QTextLayout::FormatRange> m_formats;
    bool m_selectable = false;
    qreal m_lineSpacing = 0;
    Qt::Alignment m_alignment = Qt::AlignLeading;
    int m_anchor = 0;
    int m_position = 0;

    QTextLayout m_layout;
    int m_layoutWidth = -1;
    mutable qreal m_naturalWidth = -1;
    // Layouts ask for the height at several widths in turn (the width
    // offered, with and without a scroll bar beside it, a container's size
    // hint, the text's natural width); the latest few are kept, the latest
    // first, so that a long block is not laid out anew at each turn.
    struct HeightAtWidth
    {
        int width = -1;
        int height = 0;
    };
    mutable std::array<HeightAtWidth, 4> m_heights;
};
