#include "ui/Motion.h"

#include "ui/AnimatedValue.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

TEST(MotionTest, SpringsLandOnTheirTargetAndOnlyUnderdampedOnesSwingPast)
{
    const Motion underdamped = Motion::spring(0.8, 0.7);
    const Motion critical = Motion::spring(0.5, 1);
    EXPECT_EQ(underdamped.durationMs, 800);
    EXPECT_EQ(underdamped.curve(0), 0);
    EXPECT_EQ(underdamped.curve(1), 1);
    qreal highest = 0;
    qreal previous = 0;
    bool monotonic = true;
    for (int step = 1; step <= 100; ++step) {
        highest = qMax(highest, underdamped.curve(step / 100.0));
        const qreal position = critical.curve(step / 100.0);
        monotonic = monotonic && position >= previous && position <= 1;
        previous = position;
    }
    EXPECT_GT(highest, 1.03);
    EXPECT_LT(highest, 1.06);
    EXPECT_TRUE(monotonic);
    EXPECT_NEAR(springPosition(0.8, 0.8, 0.7), 1, 0.02);

    const Motion easeOut = Motion::easeOut(0.5);
    EXPECT_EQ(easeOut.durationMs, 500);
    EXPECT_GT(easeOut.curve(0.5), 0.6); // fast first, slow at the end
    EXPECT_EQ(easeOut.curve(1), 1);
    EXPECT_TRUE(Motion::repeatingLinear(4).repeats);
}

TEST(MotionTest, ANewTargetStartsFromWhereTheValueStandsAndTheSameOneKeepsTheCourse)
{
    AnimatedValue value(0);
    QSignalSpy arrivals(&value, &AnimatedValue::arrived);
    value.animateTo(100, Motion::linear(0.4));
    ASSERT_TRUE(QTest::qWaitFor([&] { return value.value() > 30; }, 10000));
    value.animateTo(100, Motion::linear(10)); // no restart, no slower course
    const qreal turnedAt = value.value();
    value.animateTo(0, Motion::linear(0.4));
    EXPECT_GE(value.value(), turnedAt);
    EXPECT_EQ(value.target(), 0);
    ASSERT_TRUE(arrivals.wait(10000));
    EXPECT_EQ(value.value(), 0);
    EXPECT_FALSE(value.isMoving());
}

TEST(MotionTest, ARepeatingMotionRunsUntilItIsTurnedAndThenArrivesOnce)
{
    AnimatedValue value(0);
    QSignalSpy arrivals(&value, &AnimatedValue::arrived);
    value.animateTo(1, Motion::repeatingLinear(0.1));
    QTest::qWait(350); // three rounds and more
    EXPECT_TRUE(value.isMoving());
    EXPECT_LT(value.value(), 1);
    EXPECT_EQ(arrivals.count(), 0);
    const qreal turnedAt = value.value();
    value.animateTo(0, Motion::easeOut(0.1));
    // Turning it back does not first jump to the end of the round.
    EXPECT_LE(value.value(), turnedAt);
    ASSERT_TRUE(arrivals.wait(10000));
    EXPECT_EQ(value.value(), 0);
    EXPECT_EQ(arrivals.count(), 1);
}

TEST(MotionTest, InTestsAnEndingMotionArrivesAtOnceAndARepeatingOneStillRuns)
{
    AnimatedValue::setFinishAtOnce(true);
    AnimatedValue value(0);
    value.animateTo(5, Motion::spring(0.8, 0.7));
    EXPECT_EQ(value.value(), 5);
    value.animateTo(6, Motion::repeatingLinear(4));
    EXPECT_TRUE(value.isMoving());
    AnimatedValue::setFinishAtOnce(false);
}
