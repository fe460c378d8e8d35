#include "ui/Fonts.h"
#include "ui/markup/TextBlock.h"

#include <QImage>
#include <QLabel>

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

TEST(FontsTest, TheMarksThatBeginTextsDrawAsColourEmoji)
{
    // "❌" is in no font but the colour emoji font; "⚠️" asks for emoji
    // presentation, which the text blocks honour. Either drawn as an empty
    // box or a black outline would have no saturated colour at all.
    const auto mostSaturated = [](const QString &mark, const QFont &font) {
        TextBlock block(mark);
        block.setFont(font);
        block.resize(block.sizeHint());
        QImage image(block.size() * 2, QImage::Format_ARGB32);
        image.setDevicePixelRatio(2);
        image.fill(Qt::white);
        block.render(&image);
        int saturation = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                saturation = qMax(saturation, image.pixelColor(x, y).hsvSaturation());
        }
        return saturation;
    };
    for (const QString &mark : { QStringLiteral("❌ Error"), QStringLiteral("⚠️ Warning") }) {
        EXPECT_GT(mostSaturated(mark, Fonts::system(16)), 150) << mark.toStdString();
        EXPECT_GT(mostSaturated(mark, Fonts::custom(Fonts::hafferRegular, 16)), 150) << mark.toStdString();
    }

    // The tray panel's labels, in the custom font's stand-in, reach the
    // colour font through the font fallback.
    QLabel label(QStringLiteral("❌ Failed"));
    label.setFont(Fonts::custom(Fonts::hafferMedium, 14));
    label.resize(label.sizeHint());
    QImage image(label.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    label.render(&image);
    int saturation = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            saturation = qMax(saturation, image.pixelColor(x, y).hsvSaturation());
    }
    EXPECT_GT(saturation, 150);
}
