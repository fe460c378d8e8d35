#include "platform/Background.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>
#include <memory>
#include <optional>

TEST(BackgroundTest, TheResultIsHandedOverFromTheEventLoopEvenWhenTheWorkIsDone)
{
    QObject context;
    QFuture<int> work = Background::run([] { return 42; });
    work.waitForFinished();

    std::optional<int> handedOver;
    Background::whenFinished(work, &context, [&handedOver](int value) { handedOver = value; });
    EXPECT_FALSE(handedOver) << "handed over inside the call";

    EXPECT_TRUE(QTest::qWaitFor([&] { return handedOver.has_value(); }));
    EXPECT_EQ(handedOver, 42);
}

TEST(BackgroundTest, NothingIsHandedOverOnceTheContextIsGone)
{
    auto context = std::make_unique<QObject>();
    QFuture<int> work = Background::run([] { return 7; });
    work.waitForFinished();

    bool handedOver = false;
    Background::whenFinished(work, context.get(), [&handedOver](int) { handedOver = true; });
    context.reset();
    QCoreApplication::processEvents();
    QTest::qWait(50);
    EXPECT_FALSE(handedOver);
}
