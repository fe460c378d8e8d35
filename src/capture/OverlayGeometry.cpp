#include "OverlayGeometry.h"

#include "ui/Fonts.h"

#include <QScreen>
#include <QTextLayout>
#include <QtMath>

#include <cmath>
#include <optional>
#include <utility>

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

namespace {

// The place for the group next to `r` (below, above, right, left, the first
// that fits), before clamping; with its half width for the clamp.
std::optional<std::pair<ControlsPlace, qreal>> placeNextTo(
    const QRectF &r, const QRectF &safe, qreal textBoxHeight, qreal sideGroupWidth)
{
    const qreal halfHeight = textBoxHeight / 2;
    const qreal below = safe.bottom() - r.bottom();
    const qreal above = r.top() - safe.top();
    const qreal right = safe.right() - r.right();
    const qreal left = r.left() - safe.left();

    // Each test is written so that a comparison with a non-number fails and
    // moves on to the next candidate.
    using P = ControlsPlacement;
    if (textBoxHeight + spacing <= below)
        return std::pair { ControlsPlace { { r.center().x(), r.bottom() + spacing + halfHeight }, P::below },
            controlsWidth / 2 };
    if (textBoxHeight + spacing <= above)
        return std::pair { ControlsPlace { { r.center().x(), r.top() - spacing - halfHeight }, P::above },
            controlsWidth / 2 };
    if (sideGroupWidth + spacing <= right)
        return std::pair { ControlsPlace {
                               { r.right() + spacing + sideGroupWidth / 2, r.center().y() }, P::right },
            sideGroupWidth / 2 };
    if (sideGroupWidth + spacing <= left)
        return std::pair { ControlsPlace {
                               { r.left() - spacing - sideGroupWidth / 2, r.center().y() }, P::left },
            sideGroupWidth / 2 };
    return std::nullopt;
}

QRectF safeArea(const QRectF &screenBounds)
{
    return screenBounds.adjusted(screenInset, screenInset, -screenInset, -screenInset);
}

} // namespace

ControlsPlace controlsPlace(const QRectF &selectedRect, const QRectF &screenBounds, qreal textBoxHeight,
    qreal sideGroupWidth, const QRectF &imageFrame)
{
    const QRectF safe = safeArea(screenBounds);
    std::optional<std::pair<ControlsPlace, qreal>> found
        = placeNextTo(selectedRect, safe, textBoxHeight, sideGroupWidth);
    // The image is drawn on the selection, no larger than it: where the group
    // finds no room around the selection, there may be room around the image.
    if (!found && !imageFrame.isEmpty())
        found = placeNextTo(imageFrame, safe, textBoxHeight, sideGroupWidth);
    if (!found) { // the group's top-left corner 20 inside the selection's
        const qreal halfWidth = controlsWidth / 2;
        found = std::pair { ControlsPlace { { selectedRect.left() + halfWidth + 20,
                                                selectedRect.top() + textBoxHeight / 2 + 20 },
                                ControlsPlacement::inside },
            halfWidth };
    }

    // The lower bound comes last, so it wins when the safe area is narrower
    // than the group.
    auto [place, halfWidth] = *found;
    const qreal halfHeight = textBoxHeight / 2;
    place.position
        = QPointF(qMax(safe.left() + halfWidth, qMin(safe.right() - halfWidth, place.position.x())),
            qMax(safe.top() + halfHeight, qMin(safe.bottom() - halfHeight, place.position.y())));
    return place;
}

QPointF controlsPosition(const QRectF &selectedRect, const QRectF &screenBounds, qreal textBoxHeight,
    qreal sideGroupWidth, const QRectF &imageFrame)
{
    return controlsPlace(selectedRect, screenBounds, textBoxHeight, sideGroupWidth, imageFrame).position;
}

qreal answerBoxWidth(const QRectF &selectedRect, const QRectF &imageFrame, const QRectF &screenBounds,
    qreal responseHeight, qreal extraWidth)
{
    const qreal boxHeight = responseHeight + answerBoxChrome;
    if (controlsPlace(selectedRect, screenBounds, boxHeight, answeredTextBoxWidth + extraWidth, imageFrame)
            .placement
        != ControlsPlacement::inside)
        return answeredTextBoxWidth;
    if (imageFrame.isEmpty())
        return answeredTextBoxWidth;
    const QRectF safe = safeArea(screenBounds);
    const qreal room = qMax(safe.right() - imageFrame.right(), imageFrame.left() - safe.left());
    const qreal width = qMin(answeredTextBoxWidth, std::floor(room - spacing - extraWidth));
    return width >= minimumAnswerBoxWidth ? width : answeredTextBoxWidth;
}

qreal fittedResponseHeight(const QRectF &selectedRect, const QRectF &imageFrame, const QRectF &screenBounds,
    qreal boxWidth, qreal responseHeight, qreal extraWidth)
{
    if (controlsPlace(
            selectedRect, screenBounds, responseHeight + answerBoxChrome, boxWidth + extraWidth, imageFrame)
            .placement
        != ControlsPlacement::inside)
        return responseHeight;
    if (imageFrame.isEmpty())
        return responseHeight;
    const QRectF safe = safeArea(screenBounds);
    const qreal room = qMax(safe.bottom() - imageFrame.bottom(), imageFrame.top() - safe.top());
    const qreal height = std::floor(room - spacing - answerBoxChrome);
    return height >= minimumFittedResponseHeight ? qMin(responseHeight, height) : responseHeight;
}

QRectF controlGroupFrame(
    const QPointF &position, const QSizeF &groupSize, qreal reserveRight, const QRectF &screenBounds)
{
    QRectF frame(QPointF(), groupSize);
    frame.moveCenter(position);
    const QRectF safe = safeArea(screenBounds);
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

qreal textBoxWidth(qreal textBoxHeight, qreal answeredWidth)
{
    return textBoxHeight > 60 ? answeredWidth : collapsedTextBoxWidth;
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
    return qMax(
        minimumResponseHeight, qMin(maximumResponseHeight, std::ceil(textHeight) + responseHeightPadding));
}

qreal answerMeasureWidthFor(qreal boxWidth)
{
    return answerMeasureWidth - (answeredTextBoxWidth - boxWidth);
}

qreal measuredAnswerHeight(const QString &text, qreal enough, qreal width)
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
            line.setLineWidth(width);
            line.setPosition(QPointF(0, height));
            height += line.height();
        }
        layout.endLayout();
        if (pastEnough || whole)
            return height;
    }
}

} // namespace OverlayGeometry
