#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QScreen;

// Where the analysis overlay puts the captured image and its control group
// (the text box and the quick-action row), and how large they are. All
// values are in logical pixels in the overlay's own space: origin at the
// top-left corner of the main screen, y growing downwards.
namespace OverlayGeometry {

// The width the placement assumes for the whole control group.
inline constexpr qreal controlsWidth = 500;
// The gap between the selection and the control group.
inline constexpr qreal spacing = 16;
// The margin kept between the control group and the screen's edges.
inline constexpr qreal screenInset = 20;
// Above this share of the screen's area a selection counts as large.
inline constexpr qreal largeSelectionRatio = 0.6;
// The text box's height before any answer.
inline constexpr qreal collapsedTextBoxHeight = 52;
// The largest frame the captured image is drawn in.
inline constexpr QSizeF maximumScreenshotSize { 600, 400 };
// The width at which an answer's height is measured.
inline constexpr qreal answerMeasureWidth = 400;

// The extent of the main screen in the overlay's space; 1920 × 1080 when
// there is no screen.
QRectF screenBounds(const QScreen *mainScreen);

// Whether the selection covers strictly more than 0.6 of the screen's area;
// then the overlay shows only the text box, centred on the screen.
bool isFullScreenOrLargeSelection(const QRectF &selectedRect, const QRectF &screenBounds);

// The centre of the control group: below the selection, else above, else to
// its right, else to its left, else inside its top-left corner, whichever
// fits first, then clamped into the screen less its inset.
QPointF controlsPosition(const QRectF &selectedRect, const QRectF &screenBounds, qreal textBoxHeight);

// The frame of the control group as drawn: its real size centred on the
// position, moved back inside the screen less its inset where it would cross
// an edge (the placement assumes a narrower group than the collapsed one).
// reserveRight is room kept free to the right for buttons that widen.
QRectF controlGroupFrame(
    const QPointF &position, const QSizeF &groupSize, qreal reserveRight, const QRectF &screenBounds);

// The text box's width and corner radius for its height.
qreal textBoxWidth(qreal textBoxHeight);
qreal textBoxCornerRadius(qreal textBoxHeight);

// The frame of the captured image: its size in logical pixels, or the
// selection's size when there is no image, each side held to 600 × 400.
QSizeF screenshotFrameSize(const QSizeF &contentSize);
// Where an image of that size is drawn inside the frame: as large as fits
// while keeping its aspect ratio, centred.
QRectF fittedImageRect(const QSizeF &imageSize, const QRectF &frame);

// The height of the answer area for a measured text height: rounded up, 40
// added, held between 80 and 250.
qreal responseHeightForTextHeight(qreal textHeight);
// The height of the text in the system font at 16 pixels, wrapped at 400
// pixels, line breaks kept, each line with its font's leading.
qreal measuredAnswerHeight(const QString &text);

} // namespace OverlayGeometry
