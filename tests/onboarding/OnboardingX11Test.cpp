// The onboarding window on a real X server, with and without a compositing
// manager: without one, the window's clear parts would show black.

#include "onboarding/ModernOnboardingView.h"
#include "platform/Compositing.h"
#include "support/OtherX11Client.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

void showInWindow(ModernOnboardingView &view)
{
    view.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    view.setAttribute(Qt::WA_TranslucentBackground);
    view.resize(ModernOnboardingView::windowSize());
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
}

} // namespace

TEST(OnboardingX11Test, WithoutACompositorTheWindowIsCutToTheCard)
{
    ASSERT_FALSE(Compositing::isActive());
    ModernOnboardingView view;
    showInWindow(view);

    const QRegion shape = view.mask();
    EXPECT_EQ(shape.boundingRect(), view.cardRect());
    EXPECT_TRUE(shape.contains(view.cardRect().center()));
    EXPECT_FALSE(shape.contains(view.cardRect().topLeft())) << "the corners are round";
    EXPECT_FALSE(shape.contains(QPoint(view.width() / 2, view.cardRect().bottom() + 10))) << "no shadow";
}

TEST(OnboardingX11Test, WithACompositorTheWholeWindowShows)
{
    OtherX11Client compositor;
    compositor.actAsCompositingManager();
    ASSERT_TRUE(Compositing::isActive());
    ModernOnboardingView view;
    showInWindow(view);

    EXPECT_TRUE(view.mask().isEmpty()) << "the card's shadow shows around it";
}
