#include "ScreenSelectionView.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

#include <cmath>

namespace {

// How far the pointer must move with the button down before a drag begins.
constexpr qreal dragThreshold = 1;

constexpr int grabRetryInterval = 20;
constexpr int grabRetryLimit = 50;

// The sizes of the title-2 and caption text styles.
constexpr int hintPixelSize = 17;
constexpr int captionPixelSize = 10;
constexpr qreal hintPadding = 8;
constexpr qreal hintCornerRadius = 8;
constexpr qreal hintSpacing = 8;

} // namespace

ScreenSelectionView::ScreenSelectionView(
    std::function<void(const QRectF &)> onSelectionComplete, std::function<void()> onCancel, QWidget *parent)
    : QWidget(parent)
    , m_onSelectionComplete(std::move(onSelectionComplete))
    , m_onCancel(std::move(onCancel))
{
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    m_grabRetry.setInterval(grabRetryInterval);
    connect(&m_grabRetry, &QTimer::timeout, this, &ScreenSelectionView::retryKeyboardGrab);
}

QRectF ScreenSelectionView::spannedRect(const QPointF &a, const QPointF &b)
{
    return QRectF(
        std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
}

QPointF ScreenSelectionView::confined(const QPointF &point, const QSizeF &size)
{
    return QPointF(qBound<qreal>(0, point.x(), size.width()), qBound<qreal>(0, point.y(), size.height()));
}

QPointF ScreenSelectionView::pointerLocation(const QMouseEvent *event) const
{
    // The event's own and global positions are rounded to whole logical
    // pixels; at a scale of 2 that would move a corner by a device pixel, and
    // at 1.5 leave some device pixels out of reach. Its position in the
    // window keeps the fraction.
    return confined(mapFrom(window(), event->scenePosition()), size());
}

void ScreenSelectionView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The whole screen stays dimmed, the selection included.
    painter.fillRect(rect(), Palette::withOpacity(Qt::black, 0.3));

    const QRectF selection = selectionRect();
    if (m_isDragging && selection.width() > 0 && selection.height() > 0) {
        painter.fillRect(selection, Palette::withOpacity(Palette::blue(), 0.1));
        painter.setPen(QPen(Palette::blue(), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(selection);
    }
    if (!m_isDragging)
        paintHints(painter);
}

void ScreenSelectionView::paintHints(QPainter &painter)
{
    const QString title = QStringLiteral("Click and drag to select an area");
    const QString caption = QStringLiteral("Press ESC to cancel");
    const QFont titleFont = Fonts::system(hintPixelSize);
    const QFont captionFont = Fonts::system(captionPixelSize);
    const QSizeF titleSize = QFontMetricsF(titleFont).size(Qt::TextSingleLine, title);
    const QSizeF captionSize = QFontMetricsF(captionFont).size(Qt::TextSingleLine, caption);

    const QSizeF pillSize = titleSize + QSizeF(2 * hintPadding, 2 * hintPadding);
    const qreal stackHeight = pillSize.height() + hintSpacing + captionSize.height();
    const QPointF centre = QRectF(rect()).center();
    const QRectF pill(QPointF(centre.x() - pillSize.width() / 2, centre.y() - stackHeight / 2), pillSize);
    const QRectF captionRect(
        QPointF(centre.x() - captionSize.width() / 2, pill.bottom() + hintSpacing), captionSize);

    QPainterPath pillPath;
    pillPath.addRoundedRect(pill, hintCornerRadius, hintCornerRadius);
    painter.fillPath(pillPath, Palette::withOpacity(Qt::black, 0.7));
    painter.setFont(titleFont);
    painter.setPen(Qt::white);
    painter.drawText(pill, Qt::AlignCenter, title);
    painter.setFont(captionFont);
    painter.setPen(Palette::withOpacity(Qt::white, 0.85));
    painter.drawText(captionRect, Qt::AlignCenter, caption);
}

void ScreenSelectionView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_buttonDown = true;
    m_pressLocation = pointerLocation(event);
}

void ScreenSelectionView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_buttonDown)
        return;
    const QPointF location = pointerLocation(event);
    if (!m_isDragging) {
        if (QLineF(m_pressLocation, location).length() < dragThreshold)
            return;
        m_startLocation = location;
        m_isDragging = true;
    }
    m_currentLocation = location;
    update();
}

void ScreenSelectionView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_buttonDown)
        return;
    m_buttonDown = false;
    // A press and release without movement is no drag and reports nothing.
    if (m_isDragging)
        finishDrag();
}

void ScreenSelectionView::finishDrag()
{
    m_isDragging = false;
    update();
    // The rectangle of the last movement; the release's own place is not used.
    const QRectF selection = selectionRect();
    if (selection.width() <= minimumSelection || selection.height() <= minimumSelection) {
        m_onCancel();
        return;
    }
    const QPointF first = mapToGlobal(selection.topLeft());
    const QPointF second = mapToGlobal(selection.bottomRight());
    m_onSelectionComplete(spannedRect(first, second));
}

void ScreenSelectionView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Escape) {
        event->ignore();
        return;
    }
    event->accept();
    // The drag in progress, if any, ends here: its release reports nothing.
    m_buttonDown = false;
    m_isDragging = false;
    update();
    m_onCancel();
}

void ScreenSelectionView::showEvent(QShowEvent *)
{
    setFocus();
    grabKeyboard();
    // Only X11 refuses a grab of a window not yet on screen; elsewhere the
    // first answer is final.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_grabAttempts = 0;
        m_grabRetry.start();
    }
}

void ScreenSelectionView::hideEvent(QHideEvent *)
{
    m_grabRetry.stop();
    releaseKeyboard();
    m_buttonDown = false;
    m_isDragging = false;
}

void ScreenSelectionView::retryKeyboardGrab()
{
    QWindow *handle = window()->windowHandle();
    if ((handle && handle->setKeyboardGrabEnabled(true)) || ++m_grabAttempts >= grabRetryLimit)
        m_grabRetry.stop();
}
