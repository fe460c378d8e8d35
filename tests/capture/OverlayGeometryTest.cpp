#include "capture/OverlayGeometry.h"

#include "ui/Fonts.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QtMath>

#include <gtest/gtest.h>

using namespace OverlayGeometry;

namespace {

const QRectF screen1440(0, 0, 1440, 900);

struct PlacementCase
{
    const char *name;
    QRectF screen;
    QRectF selection;
    qreal textBoxHeight;
    QPointF expected;
};

} // namespace

TEST(OverlayGeometryTest, PlacesTheControlGroupAtTheFirstCandidateThatFitsThenClamps)
{
    const PlacementCase cases[] = {
        // below = 880 - 200 = 680 fits; x is clamped to at least 20 + 250.
        { "collapsed box below a small selection", screen1440, QRectF(100, 100, 200, 100), 52,
            QPointF(270, 242) },
        { "below, centred on the selection", screen1440, QRectF(600, 300, 240, 120), 52, QPointF(720, 462) },
        { "selection touching the bottom: above", screen1440, QRectF(600, 700, 240, 200), 52,
            QPointF(720, 658) },
        // No room above or below; right = 1420 - 904 = 516 fits exactly.
        { "516 free to the right", screen1440, QRectF(100, 50, 804, 800), 52, QPointF(1170, 450) },
        { "only the left fits", screen1440, QRectF(600, 50, 820, 800), 52, QPointF(334, 450) },
        { "nothing fits: inside the top-left corner", screen1440, QRectF(40, 40, 1360, 820), 52,
            QPointF(310, 86) },
        // The same selection: below while collapsed, above once answered.
        { "collapsed below", screen1440, QRectF(600, 500, 240, 150), 52, QPointF(720, 692) },
        { "answered box moves above", screen1440, QRectF(600, 500, 240, 150), 410, QPointF(720, 279) },
        // A safe area narrower than the group: the lower bound wins.
        { "narrow screen", QRectF(0, 0, 400, 300), QRectF(10, 10, 50, 50), 52, QPointF(270, 102) },
        { "a screen not at the origin", QRectF(100, 50, 1440, 900), QRectF(700, 350, 240, 120), 52,
            QPointF(820, 512) },
    };
    for (const PlacementCase &c : cases)
        EXPECT_EQ(controlsPosition(c.selection, c.screen, c.textBoxHeight), c.expected) << c.name;
}

TEST(OverlayGeometryTest, BesideTheSelectionTheGroupIsPlacedWithItsRealWidth)
{
    // The collapsed group is 460 + 12 + 194 = 666 wide. Counted as 500, it
    // would go right with 516 free and cover 67 of the selection.
    const qreal group = 666;
    const QSizeF collapsed(group, 52);
    struct Case
    {
        const char *name;
        QRectF selection;
        ControlsPlacement placement;
        QPointF expected;
    };
    const Case cases[] = {
        { "682 free to the right fits", QRectF(100, 50, 638, 800), ControlsPlacement::right,
            QPointF(738 + 16 + 333, 450) },
        { "516 free to the right no longer does", QRectF(100, 50, 804, 800), ControlsPlacement::inside,
            QPointF(370, 96) },
        { "682 free to the left fits", QRectF(702, 50, 718, 800), ControlsPlacement::left,
            QPointF(702 - 16 - 333, 450) },
        { "below keeps the assumed 500", QRectF(600, 300, 240, 120), ControlsPlacement::below,
            QPointF(720, 462) },
    };
    for (const Case &c : cases) {
        const ControlsPlace place = controlsPlace(c.selection, screen1440, 52, group);
        EXPECT_EQ(place.placement, c.placement) << c.name;
        EXPECT_EQ(place.position, c.expected) << c.name;
        if (c.placement == ControlsPlacement::right || c.placement == ControlsPlacement::left) {
            // Drawn at that width, the group leaves the 16 gap to the selection.
            const QRectF frame = controlGroupFrame(place.position, collapsed, 0, screen1440);
            EXPECT_FALSE(frame.adjusted(-15, 0, 15, 0).intersects(c.selection)) << c.name;
            EXPECT_TRUE(screen1440.adjusted(20, 20, -20, -20).contains(frame)) << c.name;
        }
    }
}

TEST(OverlayGeometryTest, WhereNothingFitsAroundTheSelectionTheGroupGoesAroundTheImage)
{
    // 840 × 840 leaves 10 above and below it and 280 on each side: the spec'd
    // places all fail. The 600 × 400 image drawn on its middle leaves 230
    // below it.
    const QRectF selection(300, 30, 840, 840);
    const QRectF image(420, 250, 600, 400);
    const ControlsPlace collapsed = controlsPlace(selection, screen1440, 52, 666, image);
    EXPECT_EQ(collapsed.placement, ControlsPlacement::below);
    EXPECT_EQ(collapsed.position, QPointF(720, 650 + 16 + 26));
    // Without an image frame, or where even the image leaves no room, the
    // group stands inside the selection's top-left corner as before.
    EXPECT_EQ(controlsPlace(selection, screen1440, 52, 666).placement, ControlsPlacement::inside);
    EXPECT_EQ(controlsPlace(selection, screen1440, 410, 520, image).placement, ControlsPlacement::inside);
}

TEST(OverlayGeometryTest, AnAnsweredBoxThatWouldCoverItsImageIsNarrowedOrLoweredToStandBesideIt)
{
    struct Case
    {
        const char *name;
        QRectF screen;
        QRectF selection;
        QRectF image;
        qreal measured; // the answer area's height as measured
        qreal width;
        qreal responseHeight;
        ControlsPlacement placement;
    };
    const QRectF screen1366(0, 0, 1366, 768);
    const QRectF screen1024(0, 0, 1024, 600);
    const Case cases[] = {
        { "room enough: full size, as before", screen1440, QRectF(160, 140, 420, 260),
            QRectF(162, 142, 416, 256), 250, 520, 250, ControlsPlacement::below },
        // 448 free right of the image (446 right of the selection): a box
        // of 432 and the 16 gap fit there, at full height.
        { "narrower beside the image", screen1366, QRectF(400, 250, 500, 250), QRectF(402, 255, 496, 240),
            250, 432, 250, ControlsPlacement::right },
        // 204 free beside the image is too narrow; 246 above it holds the
        // box with an answer area of 246 - 16 - 160 = 70.
        { "lower above the image", screen1024, QRectF(150, 260, 700, 140), QRectF(200, 266, 600, 128), 250,
            520, 70, ControlsPlacement::above },
        { "a short answer that fits needs no lowering", screen1024, QRectF(150, 260, 700, 140),
            QRectF(200, 266, 600, 128), 60, 520, 60, ControlsPlacement::above },
        // 720 × 450 (1440 × 900 at scale 2): the image leaves no room for
        // two lines of answer anywhere; the box stands inside, at full size.
        { "no room anywhere", QRectF(0, 0, 720, 450), QRectF(160, 140, 420, 260), QRectF(162, 142, 416, 256),
            250, 520, 250, ControlsPlacement::inside },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const qreal width = answerBoxWidth(c.selection, c.image, c.screen, c.measured);
        EXPECT_EQ(width, c.width);
        const qreal height = fittedResponseHeight(c.selection, c.image, c.screen, width, c.measured);
        EXPECT_EQ(height, c.responseHeight);
        const qreal boxHeight = height + answerBoxChrome;
        const ControlsPlace place = controlsPlace(c.selection, c.screen, boxHeight, width, c.image);
        EXPECT_EQ(place.placement, c.placement);
        if (c.placement != ControlsPlacement::inside) {
            const QRectF box = controlGroupFrame(place.position, QSizeF(width, boxHeight), 0, c.screen);
            EXPECT_FALSE(box.intersects(c.image));
            EXPECT_TRUE(c.screen.adjusted(20, 20, -20, -20).contains(box));
        }
    }
    // The quick actions beside the box leave it too little room beside the
    // image; above or below there is none either.
    EXPECT_EQ(
        answerBoxWidth(QRectF(400, 250, 500, 250), QRectF(402, 255, 496, 240), screen1366, 250, 206), 520);
}

TEST(OverlayGeometryTest, AWideningQuickActionStaysOnTheScreenAndOffTheSelection)
{
    // The row at rest beside a box at the left inset of a screen 720 wide
    // (1440 pixels at scale 2); a hovered button makes it 310 wide.
    const QRectF resting(492, 100, 194, 44);
    EXPECT_EQ(quickActionRowFrame(resting, 310, 700), QRectF(390, 100, 310, 44));
    // With room it grows to the right, and shrinks back to its place.
    EXPECT_EQ(quickActionRowFrame(resting, 310, 1420), QRectF(492, 100, 310, 44));
    EXPECT_EQ(quickActionRowFrame(resting, 194, 700), resting);
    // Left of the selection, the selection's gap is the limit.
    EXPECT_EQ(quickActionRowFrame(resting, 310, 702 - 16).right(), 686);
}

TEST(OverlayGeometryTest, WithoutAScreenTheLayoutAssumesFullHd)
{
    EXPECT_EQ(screenBounds(nullptr), QRectF(0, 0, 1920, 1080));
}

TEST(OverlayGeometryTest, OnlyASelectionLargerThanSixTenthsOfTheScreenIsLarge)
{
    // 0.6 × 1440 × 900 = 777600 = 1296 × 600.
    EXPECT_FALSE(isFullScreenOrLargeSelection(QRectF(0, 0, 1296, 600), screen1440));
    EXPECT_TRUE(isFullScreenOrLargeSelection(QRectF(0, 0, 1296, 600.5), screen1440));
    EXPECT_TRUE(isFullScreenOrLargeSelection(screen1440, screen1440));
    EXPECT_FALSE(isFullScreenOrLargeSelection(QRectF(100, 100, 200, 100), screen1440));
}

TEST(OverlayGeometryTest, TheGroupIsKeptOnScreenWhereItsRealWidthWouldCrossAnEdge)
{
    // The collapsed group is 460 + 12 + 194 wide, more than the 500 the
    // placement assumes; 116 more stay free for a widening button.
    const QSizeF collapsed(666, 52);
    EXPECT_EQ(controlGroupFrame(QPointF(270, 242), collapsed, 116, screen1440), QRectF(20, 216, 666, 52));
    EXPECT_EQ(controlGroupFrame(QPointF(1170, 450), collapsed, 116, screen1440), QRectF(638, 424, 666, 52));
    EXPECT_EQ(controlGroupFrame(QPointF(720, 462), collapsed, 116, screen1440), QRectF(387, 436, 666, 52));
    // An answered box without the row is 520 wide, 20 more than assumed.
    EXPECT_EQ(
        controlGroupFrame(QPointF(270, 400), QSizeF(520, 300), 0, screen1440), QRectF(20, 250, 520, 300));
}

TEST(OverlayGeometryTest, TheTextBoxWidensAndSharpensItsCornersAboveSixty)
{
    EXPECT_EQ(textBoxWidth(52), 460);
    EXPECT_EQ(textBoxCornerRadius(52), 26);
    EXPECT_EQ(textBoxWidth(60), 460);
    EXPECT_EQ(textBoxCornerRadius(60), 26);
    EXPECT_EQ(textBoxWidth(60.5), 520);
    EXPECT_EQ(textBoxCornerRadius(60.5), 24);
    EXPECT_EQ(textBoxWidth(410), 520);
}

TEST(OverlayGeometryTest, TheImageKeepsItsSizeUpTo600By400AndIsFittedBeyond)
{
    EXPECT_EQ(screenshotFrameSize(QSizeF(300, 200)), QSizeF(300, 200));
    EXPECT_EQ(screenshotFrameSize(QSizeF(1200, 400)), QSizeF(600, 400));
    EXPECT_EQ(screenshotFrameSize(QSizeF(500, 800)), QSizeF(500, 400));

    const QRectF frame(100, 100, 600, 400);
    EXPECT_EQ(fittedImageRect(QSizeF(600, 400), frame), frame);
    EXPECT_EQ(fittedImageRect(QSizeF(1200, 400), frame), QRectF(100, 200, 600, 200));
    EXPECT_EQ(fittedImageRect(QSizeF(500, 800), QRectF(0, 0, 500, 400)), QRectF(125, 0, 250, 400));
}

TEST(OverlayGeometryTest, TheAnswerHeightIsTheTextRoundedUpPlusFortyWithinEightyAndTwoFifty)
{
    const std::pair<qreal, qreal> cases[] = {
        { 0, 80 },
        { 40, 80 },
        { 40.2, 81 },
        { 41, 81 },
        { 150, 190 },
        { 209, 249 },
        { 209.5, 250 },
        { 500, 250 },
    };
    for (const auto &[measured, expected] : cases)
        EXPECT_EQ(responseHeightForTextHeight(measured), expected) << measured;
}

TEST(OverlayGeometryTest, TheAnswerIsMeasuredInTheSixteenPixelFontAtFourHundred)
{
    const qreal line = QFontMetricsF(Fonts::system(16)).lineSpacing();
    EXPECT_EQ(measuredAnswerHeight(QString()), 0);
    EXPECT_NEAR(measuredAnswerHeight(QStringLiteral("One line")), line, 0.5);
    // Every line break counts, however it is written.
    EXPECT_NEAR(measuredAnswerHeight(QStringLiteral("1\n2\r\n3\r4")), 4 * line, 4 * 0.5);
    // A paragraph wraps at 400 pixels; a word longer than a line is broken.
    const QString words = QStringLiteral("word ").repeated(60);
    const qreal wordsWidth = QFontMetricsF(Fonts::system(16)).horizontalAdvance(words);
    EXPECT_GE(measuredAnswerHeight(words), std::floor(wordsWidth / 400) * line);
    EXPECT_GE(measuredAnswerHeight(QString(200, u'x')), 2 * line);
}

TEST(OverlayGeometryTest, ALongAnswerIsMeasuredOnlyAsFarAsTheClampNeeds)
{
    // Measured only up to 210 pixels, every answer gets the area it gets
    // when measured whole.
    for (int lines = 1; lines <= 16; ++lines) {
        const QString text = QStringLiteral("a line of the answer\n").repeated(lines);
        EXPECT_EQ(responseHeightForTextHeight(measuredAnswerHeight(text, 210)),
            responseHeightForTextHeight(measuredAnswerHeight(text)))
            << lines;
    }
    const QString wrapping = QStringLiteral("word ").repeated(2000);
    EXPECT_EQ(responseHeightForTextHeight(measuredAnswerHeight(wrapping, 210)), 250);

    // Ten megabytes in one line: the beginning is enough.
    const QString huge(10'000'000, u'x');
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_GT(measuredAnswerHeight(huge, 210), 210);
    EXPECT_LT(elapsed.elapsed(), 1000);
}
