#include "chat/ColorFromHex.h"

#include <gtest/gtest.h>

namespace {

struct HexCase
{
    const char16_t *input;
    int red;
    int green;
    int blue;
    int alpha;
};

// Red and green 1, blue 0, alpha 1: all but invisible.
constexpr int fallback[] = { 1, 1, 0, 1 };

} // namespace

TEST(ColorFromHexTest, ReadsTheThreeFormsAndGivesTheFallbackForAnythingElse)
{
    const HexCase cases[] = {
        // RGB, each digit repeated into a byte; any letter case.
        { u"#FFF", 255, 255, 255, 255 },
        { u"abc", 0xAA, 0xBB, 0xCC, 255 },
        { u"ABC", 0xAA, 0xBB, 0xCC, 255 },
        // RRGGBB, with anything but letters and digits trimmed from both ends.
        { u"FFFFFF", 255, 255, 255, 255 },
        { u"  #12ab34\t\n", 0x12, 0xAB, 0x34, 255 },
        { u"(#12AB34);", 0x12, 0xAB, 0x34, 255 },
        // AARRGGBB: alpha first.
        { u"80FF0000", 255, 0, 0, 128 },
        { u"#00000000", 0, 0, 0, 0 },
        // The prefix is read but counts towards the length: eight characters,
        // so the alpha is 00.
        { u"0xFFFFFF", 255, 255, 255, 0 },
        { u"0X1", 0, 0, 17, 255 },
        // Every other length.
        { u"", fallback[0], fallback[1], fallback[2], fallback[3] },
        { u"#", fallback[0], fallback[1], fallback[2], fallback[3] },
        { u"FFFFF", fallback[0], fallback[1], fallback[2], fallback[3] },
        { u"FFFFFFF", fallback[0], fallback[1], fallback[2], fallback[3] },
        { u"FFFFFFFFF", fallback[0], fallback[1], fallback[2], fallback[3] },
        { u"FFFFFFFFFFFFFFFFFFFFFFFF", fallback[0], fallback[1], fallback[2], fallback[3] },
        // The right length with characters that are not hexadecimal digits:
        // read only up to the first of them, these would name an unrelated
        // colour (FGH opaque blue, 12345G a dark blue, "FF FF FF" blue).
        { u"FGH", fallback[0], fallback[1], fallback[2], fallback[3] },
        { u"xyz", fallback[0], fallback[1], fallback[2], fallback[3] },
        { u"12345G", fallback[0], fallback[1], fallback[2], fallback[3] },
        { u"FF FF FF", fallback[0], fallback[1], fallback[2], fallback[3] },
        { u"ABCDEFGH", fallback[0], fallback[1], fallback[2], fallback[3] },
        { u"0x", fallback[0], fallback[1], fallback[2], fallback[3] },
        // Digits of other scripts are letters or digits, but not hexadecimal.
        { u"#\uFF26\uFF26\uFF26", fallback[0], fallback[1], fallback[2], fallback[3] },
        { u"\u0661\u0662\u0663", fallback[0], fallback[1], fallback[2], fallback[3] },
    };
    for (const HexCase &hexCase : cases) {
        const QString input = QString::fromUtf16(hexCase.input);
        const QColor colour = colorFromHex(input);
        SCOPED_TRACE(input.toStdString());
        EXPECT_EQ(colour.spec(), QColor::Rgb);
        EXPECT_EQ(colour.red(), hexCase.red);
        EXPECT_EQ(colour.green(), hexCase.green);
        EXPECT_EQ(colour.blue(), hexCase.blue);
        EXPECT_EQ(colour.alpha(), hexCase.alpha);
    }
}
