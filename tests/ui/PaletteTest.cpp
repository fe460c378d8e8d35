#include "ui/Palette.h"

#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

TEST(PaletteTest, LabelsFollowTheApplicationPalette)
{
    const QPalette original = QGuiApplication::palette();
    EXPECT_FALSE(Palette::isDark());
    EXPECT_LT(Palette::primaryLabel().lightness(), 64);
    EXPECT_LT(Palette::secondaryLabel().alpha(), Palette::primaryLabel().alpha());

    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    QGuiApplication::setPalette(dark);
    EXPECT_TRUE(Palette::isDark());
    EXPECT_GT(Palette::primaryLabel().lightness(), 192);
    EXPECT_LT(Palette::windowBackground().lightness(), 64);
    QGuiApplication::setPalette(original);

    // Materials are translucent fills.
    for (const QColor &material :
        { Palette::regularMaterial(), Palette::thinMaterial(), Palette::ultraThinMaterial() })
        EXPECT_TRUE(material.alpha() > 0 && material.alpha() < 255);
}
