#include "ui/PulsingDots.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct FinishAnimationsAtOnce
{
    FinishAnimationsAtOnce() { AnimatedValue::setFinishAtOnce(true); }
    ~FinishAnimationsAtOnce() { AnimatedValue::setFinishAtOnce(false); }
};

} // namespace

TEST(PulsingDotsTest, StepsFromTheMiddleDotOnceAnIntervalWhileShown)
{
    PulsingDots dots({ Qt::black, 0.4, 400 });
    EXPECT_EQ(dots.phase(), 0);
    EXPECT_FALSE(dots.isTicking());

    QList<int> phases;
    QList<qint64> times;
    QElapsedTimer clock;
    QObject::connect(&dots, &PulsingDots::phaseChanged, [&] {
        phases.append(dots.phase());
        times.append(clock.elapsed());
    });
    clock.start();
    dots.show();
    // The first step comes with the showing, not an interval later.
    EXPECT_EQ(phases, QList<int>({ 1 }));
    EXPECT_TRUE(dots.isTicking());

    ASSERT_TRUE(QTest::qWaitFor([&] { return phases.size() == 5; }, 10000));
    EXPECT_EQ(phases, QList<int>({ 1, 2, 0, 1, 2 }));
    // Measured from the first step: a step that a busy machine delays
    // brings the next one closer, as the interval keeps its beat. A timer
    // may fire a little early.
    for (qsizetype i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[0], i * 370) << "step " << i;
}

TEST(PulsingDotsTest, EmphasisesExactlyTheDotOfThePhase)
{
    FinishAnimationsAtOnce finishAtOnce;
    PulsingDots dots({ Qt::black, 0.5, 500 });
    for (int index = 0; index < 3; ++index) {
        EXPECT_EQ(dots.dotScale(index), index == 0 ? 1.2 : 0.8);
        EXPECT_EQ(dots.dotOpacity(index), index == 0 ? 1 : 0.5);
    }
    dots.show();
    for (int index = 0; index < 3; ++index) {
        EXPECT_EQ(dots.dotScale(index), index == 1 ? 1.2 : 0.8);
        EXPECT_EQ(dots.dotOpacity(index), index == 1 ? 1 : 0.5);
    }
    // Drawn: the emphasised dot is the darkest and the largest.
    QImage picture(dots.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    dots.render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    auto alphaAt = [&](int x, int y) { return qAlpha(picture.pixel(x, y)); };
    const int middleY = PulsingDots::overflow + PulsingDots::dotSide / 2;
    const int step = PulsingDots::dotSide + PulsingDots::dotSpacing;
    const int first = PulsingDots::overflow + PulsingDots::dotSide / 2;
    EXPECT_EQ(alphaAt(first + step, middleY), 255);
    EXPECT_LT(alphaAt(first, middleY), 160);
    EXPECT_GT(alphaAt(first + step, PulsingDots::overflow), alphaAt(first, PulsingDots::overflow));
}

TEST(PulsingDotsTest, StopsWhenItsWindowHidesAndStartsAfreshWhenShownAgain)
{
    FinishAnimationsAtOnce finishAtOnce;
    QWidget window;
    auto *dots = new PulsingDots({ Qt::black, 0.4, 400 }, &window);
    EXPECT_FALSE(dots->isTicking()); // never shown: never started

    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dots->phase() == 2; }, 5000));
    window.hide();
    EXPECT_FALSE(dots->isTicking());
    EXPECT_EQ(dots->phase(), 0);

    window.show();
    EXPECT_TRUE(dots->isTicking());
    EXPECT_EQ(dots->phase(), 1);
    EXPECT_EQ(dots->dotScale(1), 1.2);
}
