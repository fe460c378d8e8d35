#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QtNumeric>

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
// The answer area's height: the measured text's, plus the padding, within
// these bounds.
inline constexpr qreal minimumResponseHeight = 80;
inline constexpr qreal maximumResponseHeight = 250;
inline constexpr qreal responseHeightPadding = 40;
// The width at which an answer's height is measured in a box of full width.
inline constexpr qreal answerMeasureWidth = 400;
// The text box's width without and with an answer, when nothing narrows it.
inline constexpr qreal collapsedTextBoxWidth = 460;
inline constexpr qreal answeredTextBoxWidth = 520;
// An answered box is this much higher than its answer area: the header, the
// gaps, the follow-up row and the padding.
inline constexpr qreal answerBoxChrome = 160;
// Where an answered box would have to cover the image, it is made narrower to
// stand beside the image, down to this width, or else lower to stand above or
// below it, down to an answer area of two lines.
inline constexpr qreal minimumAnswerBoxWidth = 360;
inline constexpr qreal minimumFittedResponseHeight = 50;

// The extent of the main screen in the overlay's space; 1920 × 1080 when
// there is no screen.
QRectF screenBounds(const QScreen *mainScreen);

// Whether the selection covers strictly more than 0.6 of the screen's area;
// then the overlay shows only the text box, centred on the screen.
bool isFullScreenOrLargeSelection(const QRectF &selectedRect, const QRectF &screenBounds);

// Where the control group goes beside the selection.
enum class ControlsPlacement { below, above, right, left, inside };

struct ControlsPlace
{
    QPointF position;
    ControlsPlacement placement;
};

// The centre of the control group: below the selection, else above, else to
// its right, else to its left, whichever fits first; then the same four
// places around the image drawn on the selection (imageFrame, which may be
// smaller than the selection; none when empty); else inside the selection's
// top-left corner. The point is then clamped into the screen less its inset.
// Above and below, the group counts as 500 wide; beside the selection or the
// image it counts as sideGroupWidth, the group's real width, so that it
// never covers them.
ControlsPlace controlsPlace(const QRectF &selectedRect, const QRectF &screenBounds, qreal textBoxHeight,
    qreal sideGroupWidth = controlsWidth, const QRectF &imageFrame = QRectF());
QPointF controlsPosition(const QRectF &selectedRect, const QRectF &screenBounds, qreal textBoxHeight,
    qreal sideGroupWidth = controlsWidth, const QRectF &imageFrame = QRectF());

// The width of an answered box whose answer area is responseHeight high, and
// that stands in a group with extraWidth more to its right: the full 520
// where the group finds a place that leaves the image uncovered; else as wide
// as fits beside the image, if that is at least the minimum; else 520 (it
// may still fit above or below once lower, see fittedResponseHeight).
qreal answerBoxWidth(const QRectF &selectedRect, const QRectF &imageFrame, const QRectF &screenBounds,
    qreal responseHeight, qreal extraWidth = 0);
// The answer area's height for an answered box of that width: as measured
// where the group finds a place that leaves the image uncovered; else as
// high as fits above or below the image, whichever has more room, if that is
// at least the minimum; else as measured (the group then stands inside the
// selection, over the image: there is no room for it anywhere else).
qreal fittedResponseHeight(const QRectF &selectedRect, const QRectF &imageFrame, const QRectF &screenBounds,
    qreal boxWidth, qreal responseHeight, qreal extraWidth = 0);

// The frame of the control group as drawn: its real size centred on the
// position, moved back inside the screen less its inset where it would cross
// an edge (the placement assumes a narrower group than the collapsed one).
// reserveRight is room kept free to the right for buttons that widen.
QRectF controlGroupFrame(
    const QPointF &position, const QSizeF &groupSize, qreal reserveRight, const QRectF &screenBounds);

// The quick-action row as drawn when its buttons make it `width` wide: it
// widens to the right from its place at rest, unless that would take it past
// rightLimit (the screen's inset, or the selection when the group stands to
// its left); then it slides left, over the text box, as far as it must.
QRectF quickActionRowFrame(const QRectF &restingFrame, qreal width, qreal rightLimit);

// The text box's width and corner radius for its height; an answered box
// (higher than 60) is answeredWidth wide.
qreal textBoxWidth(qreal textBoxHeight, qreal answeredWidth = answeredTextBoxWidth);
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
// The width at which an answer is measured in a box of that width: 400 in
// the full 520, less by as much as the box is narrower.
qreal answerMeasureWidthFor(qreal boxWidth);
// The height of the text in the system font at 16 pixels, wrapped at
// `width` pixels, line breaks kept, each line with its font's leading.
// Measuring stops once the height is past `enough`: then the result is some
// height above it, found on a beginning of the text, however long the text is.
qreal measuredAnswerHeight(const QString &text, qreal enough = qInf(), qreal width = answerMeasureWidth);

} // namespace OverlayGeometry
