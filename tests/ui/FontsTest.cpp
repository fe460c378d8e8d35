#include "ui/Fonts.h"
#include "ui/markup/BlockLayout.h"
#include "ui/markup/TextBlock.h"

#include <QImage>
#include <QLabel>

#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QList>
#include <QRawFont>
#include <QStringList>
#include <QTextLayout>

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

TEST(FontsTest, EveryEmojiOfATextBlockComesFromTheColourFont)
{
    // Some colour drawings are grey (a family) or pale (a cup), so the font
    // itself is what tells: each emoji's glyphs, and only the emoji's.
    struct Case
    {
        QString text;
        qsizetype emojiStart;
        qsizetype emojiLength;
    };
    const Case cases[] = {
        { QStringLiteral("Smile 😀 now"), 6, 2 },
        { QStringLiteral("A 👨‍👩‍👧 family"), 2, 8 },
        { QStringLiteral("Thanks 👍🏽!"), 7, 4 },
        { QStringLiteral("A ☕ break"), 2, 1 },
        { QStringLiteral("Flag 🇩🇪 here"), 5, 4 },
    };
    const QString colour = QString::fromLatin1(Fonts::colorEmojiFamily);
    for (const Case &c : cases) {
        for (const QFont &font : { Fonts::system(16), Fonts::custom(Fonts::hafferRegular, 16) }) {
            QTextLayout layout;
            BlockLayout::layOut(layout, c.text, font, {}, 0, 400, Qt::LeftToRight);
            const auto families = [&](qsizetype from, qsizetype length) {
                QStringList found;
                for (const QGlyphRun &run : layout.glyphRuns(int(from), int(length)))
                    found << run.rawFont().familyName();
                found.removeDuplicates();
                return found;
            };
            EXPECT_EQ(families(c.emojiStart, c.emojiLength), QStringList(colour)) << c.text.toStdString();
            EXPECT_FALSE(families(0, c.emojiStart).contains(colour)) << c.text.toStdString();
        }
    }
}

TEST(FontsTest, EmojiInTextsDrawInColour)
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
    // "😀" asks for nothing and has a black drawing in the text fonts, which
    // the font fallback would take first; the text blocks draw it in colour.
    for (const QString &mark :
        { QStringLiteral("❌ Error"), QStringLiteral("⚠️ Warning"), QStringLiteral("😀 Smile") }) {
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
