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

ControlsPlace controlsPlace(
    const QRectF &selectedRect, const QRectF &screenBounds, qreal textBoxHeight, qreal sideGroupWidth)
{
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
    qreal halfWidth = controlsWidth / 2;
    QPointF position;
    ControlsPlacement placement;
    if (textBoxHeight + spacing <= below) {
        placement = ControlsPlacement::below;
        position = QPointF(s.center().x(), s.bottom() + spacing + halfHeight);
    } else if (textBoxHeight + spacing <= above) {
        placement = ControlsPlacement::above;
        position = QPointF(s.center().x(), s.top() - spacing - halfHeight);
    } else if (sideGroupWidth + spacing <= right) {
        placement = ControlsPlacement::right;
        halfWidth = sideGroupWidth / 2;
        position = QPointF(s.right() + spacing + halfWidth, s.center().y());
    } else if (sideGroupWidth + spacing <= left) {
        placement = ControlsPlacement::left;
        halfWidth = sideGroupWidth / 2;
        position = QPointF(s.left() - spacing - halfWidth, s.center().y());
    } else { // the group's top-left corner 20 inside the selection's
        placement = ControlsPlacement::inside;
        position = QPointF(s.left() + halfWidth + 20, s.top() + halfHeight + 20);
    }

    // The lower bound comes last, so it wins when the safe area is narrower
    // than the group.
    position = QPointF(qMax(safeMinX + halfWidth, qMin(safeMaxX - halfWidth, position.x())),
        qMax(safeMinY + halfHeight, qMin(safeMaxY - halfHeight, position.y())));
    return ControlsPlace { position, placement };
}

QPointF controlsPosition(
    const QRectF &selectedRect, const QRectF &screenBounds, qreal textBoxHeight, qreal sideGroupWidth)
{
    return controlsPlace(selectedRect, screenBounds, textBoxHeight, sideGroupWidth).position;
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

QRectF quickActionRowFrame(const QRectF &restingFrame, qreal width, qreal rightLimit)
{
    QRectF frame(restingFrame.topLeft(), QSizeF(width, restingFrame.height()));
    if (frame.right() > rightLimit)
        frame.moveRight(rightLimit);
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
    return qMax(minimumResponseHeight, qMin(maximumResponseHeight, std::ceil(textHeight) + responseHeightPadding));
}

qreal measuredAnswerHeight(const QString &text, qreal enough)
{
    if (text.isEmpty())
        return 0;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // A long text is measured on a beginning that grows fourfold until its
    // lines, the last one apart (the rest of the text may still join it),
    // reach past `enough`, or the whole text is in.
    for (qsizetype length = 4096;; length *= 4) {
        const bool whole = length >= text.size();
        QString lines = text.left(length);
        lines.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
        lines.replace(u'\n', QChar::LineSeparator);
        lines.replace(u'\r', QChar::LineSeparator);

        QTextLayout layout(lines, Fonts::system(16));
        layout.setTextOption(option);
        qreal height = 0;
        bool pastEnough = false;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            // The lines before this one are whole whatever follows.
            if (height > enough) {
                pastEnough = true;
                break;
            }
            line.setLeadingIncluded(true);
            line.setLineWidth(answerMeasureWidth);
            line.setPosition(QPointF(0, height));
            height += line.height();
        }
        layout.endLayout();
        if (pastEnough || whole)
            return height;
    }
}

} // namespace OverlayGeometry
