#pragma once

#include <QPointF>
#include <QRectF>
#include <QTimer>
#include <QWidget>

#include <functional>

// Fills the selection window: dims the screen, shows how to select, lets the
// user drag a rectangle and reports it in global coordinates, or a
// cancellation. Escape cancels at any time.
//
// While shown it holds the keyboard grab, so that Escape reaches it even when
// another application had the focus.
class ScreenSelectionView : public QWidget
{
    Q_OBJECT

public:
    // A selection must be wider and higher than this, in logical pixels.
    static constexpr qreal minimumSelection = 10;

    ScreenSelectionView(std::function<void(const QRectF &)> onSelectionComplete,
        std::function<void()> onCancel, QWidget *parent = nullptr);

    // The rectangle spanned by two corners, in either order.
    static QRectF spannedRect(const QPointF &a, const QPointF &b);
    // The point held inside a view of that size (its right and bottom edges
    // included), so that a selection ends at the edges of the screen it is
    // made on however far the pointer goes.
    static QPointF confined(const QPointF &point, const QSizeF &size);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QRectF selectionRect() const { return spannedRect(m_startLocation, m_currentLocation); }
    // Where the pointer is, in the view's coordinates, held inside the view,
    // with the fraction of a logical pixel that a device pixel is at a scale
    // above 1.
    QPointF pointerLocation(const QMouseEvent *event) const;
    void finishDrag();
    void paintHints(QPainter &painter);
    void retryKeyboardGrab();

    std::function<void(const QRectF &)> m_onSelectionComplete;
    std::function<void()> m_onCancel;

    // A drag begins once the pointer has moved a point away from where the
    // button went down; its rectangle starts where it began. Locations are
    // in logical pixels, with fractions where device pixels have them.
    bool m_buttonDown = false;
    QPointF m_pressLocation;
    bool m_isDragging = false;
    QPointF m_startLocation;
    QPointF m_currentLocation;

    // The windowing system refuses a keyboard grab until the window is on
    // screen; asks again for a moment after showing.
    QTimer m_grabRetry;
    int m_grabAttempts = 0;
};
