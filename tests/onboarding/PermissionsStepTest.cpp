// The permission step against a permission the test grants or refuses.

#include "onboarding/CleanButton.h"
#include "onboarding/IconBadge.h"
#include "onboarding/PermissionsStepView.h"
#include "support/FakeScreenCapturePermission.h"
#include "ui/Palette.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Look
{
    QColor badge;
    QString symbol;
    QString status;
    QString button;
};

Look lookOf(const PermissionsStepView &step)
{
    const IconBadge *badge = step.findChild<IconBadge *>();
    QString status;
    for (const QLabel *label : step.findChildren<QLabel *>())
        if (label->text().startsWith(QLatin1String("Permission ")))
            status = label->text();
    return { badge->colour(), badge->symbol(), status, step.button()->text() };
}

const Look granted { Palette::green(), QStringLiteral("checkmark.shield.fill"),
    QStringLiteral("Permission granted"), QStringLiteral("Continue") };
const Look required { Palette::orange(), QStringLiteral("shield.fill"), QStringLiteral("Permission required"),
    QStringLiteral("Grant Permission") };

bool operator==(const Look &a, const Look &b)
{
    return a.badge == b.badge && a.symbol == b.symbol && a.status == b.status && a.button == b.button;
}

void PrintTo(const Look &look, std::ostream *os)
{
    *os << look.symbol.toStdString() << " / " << look.status.toStdString() << " / "
        << look.button.toStdString();
}

class PermissionsStepTest : public ::testing::Test
{
protected:
    // Shows the step; it checks the permission as it comes on screen.
    void showStep(bool accessGranted)
    {
        permission.granted = accessGranted;
        step = std::make_unique<PermissionsStepView>([this] { ++continued; });
        step->show();
    }

    void press() { QTest::mouseClick(step->button(), Qt::LeftButton); }

    FakeScreenCapturePermission permission { false };
    std::unique_ptr<PermissionsStepView> step;
    int continued = 0;
};

} // namespace

TEST_F(PermissionsStepTest, GrantedAccessShowsGreenAndContinuesWithoutAsking)
{
    showStep(true);
    EXPECT_EQ(lookOf(*step), granted);
    press();
    EXPECT_EQ(continued, 1);
    EXPECT_EQ(permission.requestCount, 0);
}

TEST_F(PermissionsStepTest, AskingGrantsAccessAfterASecondOfChecking)
{
    showStep(false);
    EXPECT_EQ(lookOf(*step), required);
    permission.grantOnRequest = true;

    QElapsedTimer sincePress;
    sincePress.start();
    press();
    EXPECT_TRUE(step->isChecking());
    EXPECT_EQ(step->button()->text(), QStringLiteral("Checking..."));
    EXPECT_TRUE(step->button()->showsProgress());
    EXPECT_TRUE(step->button()->buttonStyle().isEnabled) << "full look while checking";
    EXPECT_FALSE(step->button()->isEnabled()) << "but no reaction";
    ASSERT_TRUE(QTest::qWaitFor([&] { return permission.requestCount == 1; }, 10000));
    press();

    ASSERT_TRUE(QTest::qWaitFor([&] { return !step->isChecking(); }, 5000));
    EXPECT_GE(sincePress.elapsed(), PermissionsStepView::recheckDelayMs);
    EXPECT_EQ(lookOf(*step), granted);
    EXPECT_FALSE(step->button()->showsProgress());
    EXPECT_EQ(permission.requestCount, 1) << "a press while checking asks nothing";
    EXPECT_EQ(continued, 0);
    press();
    EXPECT_EQ(continued, 1);
}

TEST_F(PermissionsStepTest, ARefusalLeavesTheStepAskingAgain)
{
    showStep(false);
    for (int attempt = 1; attempt <= 2; ++attempt) {
        press();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !step->isChecking(); }, 5000));
        EXPECT_EQ(permission.requestCount, attempt);
        EXPECT_EQ(lookOf(*step), required);
        EXPECT_TRUE(step->button()->isEnabled());
    }
    EXPECT_EQ(continued, 0);
}

TEST_F(PermissionsStepTest, AccessGrantedElsewhereShowsOnlyAfterTheNextCheck)
{
    showStep(false);
    permission.granted = true; // the user grants it in the system's settings
    QTest::qWait(100);
    EXPECT_EQ(lookOf(*step), required) << "nothing polls the permission";

    press();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !step->isChecking(); }, 5000));
    EXPECT_EQ(permission.requestCount, 0) << "already granted: nothing to ask";
    EXPECT_EQ(lookOf(*step), granted);

    // A step coming on screen anew checks again.
    permission.granted = false;
    step->hide();
    step->show();
    EXPECT_EQ(lookOf(*step), required);
}
