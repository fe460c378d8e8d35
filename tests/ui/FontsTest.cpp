#include "ui/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QList>
#include <QStringList>

#include <gtest/gtest.h>

TEST(FontsTest, CustomFontsFallBackToTheSystemFontAtTheNamedWeight)
{
    const QList<std::pair<const char *, QFont::Weight>> cases = {
        { Fonts::hafferRegular, QFont::Normal },
        { Fonts::hafferMedium, QFont::Medium },
        { Fonts::hafferSemiBold, QFont::DemiBold },
        { Fonts::hafferTrialRegular, QFont::Normal },
        { Fonts::hafferTrialMedium, QFont::Medium },
    };
    for (const auto &[name, weight] : cases) {
        const QFont font = Fonts::custom(name, 15);
        EXPECT_EQ(font.families().value(0), name);
        EXPECT_EQ(font.pixelSize(), 15) << name;
        EXPECT_EQ(font.weight(), weight) << name;
        if (!QFontDatabase::families().contains(name)) {
            EXPECT_EQ(QFontInfo(font).family(), QFontInfo(Fonts::system(15, weight)).family()) << name;
        }
    }
}

TEST(FontsTest, SystemFontsAreSizedInPixels)
{
    const QFont regular = Fonts::system(13);
    EXPECT_EQ(regular.pixelSize(), 13);
    EXPECT_EQ(regular.weight(), QFont::Normal);
    EXPECT_EQ(QFontInfo(Fonts::system(20, QFont::Bold)).pixelSize(), 20);
    EXPECT_EQ(QFontInfo(Fonts::system(20, QFont::Bold)).weight(), QFont::Bold);

    const QFont code = Fonts::monospaced(14);
    EXPECT_EQ(code.pixelSize(), 14);
    EXPECT_TRUE(QFontInfo(code).fixedPitch());
}
