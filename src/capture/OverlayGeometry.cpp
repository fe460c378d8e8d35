#include "OverlayGeometry.h"

#include "ui/Fonts.h"

#include <QScreen>
#include <QTextLayout>
#include <QtMath>

#include <cmath>

namespace OverlayGeometry {

QRectF screenBounds(const QScreen *mainScreen)
{
    if (!mainScreen)
        return QRectF(0, 0, 1920, 1080);
    return QRectF(QPointF(0, 0), mainScreen->geometry().size());
}

bool isFullScreenOrLargeSelection(const QRectF &selectedRect, const QRectF &screenBounds)
{
    return selectedRect.width() * selectedRect.height()
        > largeSelectionRatio * screenBounds.width() * screenBounds.height();
}

QPointF controlsPosition(const QRectF &selectedRect, const QRectF &screenBounds, qreal textBoxHeight)
{
    const qreal halfWidth = controlsWidth / 2;
    const qreal halfHeight = textBoxHeight / 2;
    const qreal safeMinX = screenBounds.left() + screenInset;
    const qreal safeMaxX = screenBounds.right() - screenInset;
    const qreal safeMinY = screenBounds.top() + screenInset;
    const qreal safeMaxY = screenBounds.bottom() - screenInset;
    const QRectF &s = selectedRect;

    const qreal below = safeMaxY - s.bottom();
    const qreal above = s.top() - safeMinY;
    const qreal right = safeMaxX - s.right();
    const qreal left = s.left() - safeMinX;

    // Each test is written so that a comparison with a non-number fails and
    // moves on to the next candidate.
    QPointF position;
    if (textBoxHeight + spacing <= below)
        position = QPointF(s.center().x(), s.bottom() + spacing + halfHeight);
    else if (textBoxHeight + spacing <= above)
        position = QPointF(s.center().x(), s.top() - spacing - halfHeight);
    else if (controlsWidth + spacing <= right)
        position = QPointF(s.right() + spacing + halfWidth, s.center().y());
    else if (controlsWidth + spacing <= left)
        position = QPointF(s.left() - spacing - halfWidth, s.center().y());
    else // the group's top-left corner 20 inside the selection's
        position = QPointF(s.left() + halfWidth + 20, s.top() + halfHeight + 20);

    // The lower bound comes last, so it wins when the safe area is narrower
    // than the group.
    return QPointF(qMax(safeMinX + halfWidth, qMin(safeMaxX - halfWidth, position.x())),
        qMax(safeMinY + halfHeight, qMin(safeMaxY - halfHeight, position.y())));
}

QRectF controlGroupFrame(
    const QPointF &position, const QSizeF &groupSize, qreal reserveRight, const QRectF &screenBounds)
{
    QRectF frame(QPointF(), groupSize);
    frame.moveCenter(position);
    const QRectF safe = screenBounds.adjusted(screenInset, screenInset, -screenInset, -screenInset);
    if (frame.right() + reserveRight > safe.right())
        frame.moveRight(safe.right() - reserveRight);
    if (frame.left() < safe.left())
        frame.moveLeft(safe.left());
    if (frame.bottom() > safe.bottom())
        frame.moveBottom(safe.bottom());
    if (frame.top() < safe.top())
        frame.moveTop(safe.top());
    return frame;
}

qreal textBoxWidth(qreal textBoxHeight)
{
    return textBoxHeight > 60 ? 520 : 460;
}

qreal textBoxCornerRadius(qreal textBoxHeight)
{
    return textBoxHeight > 60 ? 24 : 26;
}

QSizeF screenshotFrameSize(const QSizeF &contentSize)
{
    return QSizeF(qMin(contentSize.width(), maximumScreenshotSize.width()),
        qMin(contentSize.height(), maximumScreenshotSize.height()));
}

QRectF fittedImageRect(const QSizeF &imageSize, const QRectF &frame)
{
    if (imageSize.isEmpty())
        return QRectF();
    const QSizeF fitted = imageSize.scaled(frame.size(), Qt::KeepAspectRatio);
    QRectF rect(QPointF(), fitted);
    rect.moveCenter(frame.center());
    return rect;
}

qreal responseHeightForTextHeight(qreal textHeight)
{
    return qMax<qreal>(80, qMin<qreal>(250, std::ceil(textHeight) + 40));
}

qreal measuredAnswerHeight(const QString &text)
{
    if (text.isEmpty())
        return 0;
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    lines.replace(u'\n', QChar::LineSeparator);
    lines.replace(u'\r', QChar::LineSeparator);

    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QTextLayout layout(lines, Fonts::system(16));
    layout.setTextOption(option);
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(answerMeasureWidth);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

} // namespace OverlayGeometry
