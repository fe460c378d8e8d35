#include "ui/ToggleSwitch.h"

#include "ui/Palette.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

TEST(ToggleSwitchTest, SlidesWhenTheUserFlipsItAndJumpsWhenSetBeforeShowing)
{
    ToggleSwitch preset(Palette::blue());
    preset.setChecked(true);
    EXPECT_EQ(preset.knobPosition(), 1) << "set before it shows: no slide";

    ToggleSwitch toggle(Palette::blue());
    toggle.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&toggle));
    QSignalSpy toggled(&toggle, &QAbstractButton::toggled);

    QTest::mouseClick(&toggle, Qt::LeftButton);
    EXPECT_TRUE(toggle.isChecked());
    EXPECT_LT(toggle.knobPosition(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return toggle.knobPosition() == 1; }, 10000));

    // The space bar flips it too; a disabled switch stays as it is.
    toggle.setFocus();
    QTest::keyClick(&toggle, Qt::Key_Space);
    EXPECT_FALSE(toggle.isChecked());
    toggle.setEnabled(false);
    QTest::mouseClick(&toggle, Qt::LeftButton);
    EXPECT_FALSE(toggle.isChecked());
    EXPECT_EQ(toggled.count(), 2);
}

TEST(ToggleSwitchTest, OnShowsTheTintAndOffShowsNone)
{
    ToggleSwitch toggle(Palette::blue());
    toggle.resize(toggle.sizeHint());
    const auto trackColour = [&] { return toggle.grab().toImage().pixelColor(4, toggle.height() / 2); };
    EXPECT_NE(trackColour().rgb(), Palette::blue().rgb());
    toggle.setChecked(true);
    EXPECT_EQ(trackColour().rgb(), Palette::blue().rgb());
    EXPECT_EQ(trackColour().alpha(), 255);
}
