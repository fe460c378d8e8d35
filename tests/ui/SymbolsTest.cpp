#include "ui/Symbols.h"

#include "resources/Resources.h"
#include "support/LogCapture.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

// Every symbol name that the program's views ask for.
const QStringList namesInUse = {
    "arrow.up.circle.fill",
    "arrow.up.left.and.arrow.down.right",
    "brain.head.profile",
    "bubble.left",
    "camera.fill",
    "camera.viewfinder",
    "checkmark",
    "checkmark.circle.fill",
    "checkmark.shield.fill",
    "chevron.right",
    "doc.on.doc",
    "doc.text",
    "exclamationmark.circle.fill",
    "eye",
    "gearshape.fill",
    "info.circle.fill",
    "lightbulb",
    "magnifyingglass",
    "message.fill",
    "person.circle.fill",
    "person.crop.circle.fill",
    "photo",
    "photo.on.rectangle",
    "questionmark.circle.fill",
    "shield.fill",
    "sidebar.left",
    "sparkles",
    "square.and.arrow.down",
    "star.fill",
    "text.cursor",
    "trash.fill",
    "tray",
    "viewfinder",
    "wand.and.stars",
    "xmark",
    "xmark.circle.fill",
};

struct Coverage
{
    int opaque = 0;
    int otherColour = 0;
};

// How many pixels are covered, and how many of those are not the colour.
Coverage coverage(const QImage &image, const QColor &colour)
{
    Coverage result;
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
            const QColor pixel = pixels.pixelColor(x, y);
            if (pixel.alpha() == 0)
                continue;
            ++result.opaque;
            if (pixel.alpha() > 64
                && (qAbs(pixel.red() - colour.red()) > 8 || qAbs(pixel.green() - colour.green()) > 8
                    || qAbs(pixel.blue() - colour.blue()) > 8))
                ++result.otherColour;
        }
    }
    return result;
}

} // namespace

TEST(SymbolsTest, EveryNameInUseHasADrawingInTheColourAsked)
{
    const QColor orange(255, 149, 0);
    LogCapture log;
    for (const QString &name : namesInUse) {
        EXPECT_TRUE(Symbols::contains(name)) << name.toStdString();
        EXPECT_TRUE(Symbols::names().contains(name)) << name.toStdString();

        const QPixmap pixmap = Symbols::pixmap(name, orange, 24, 2.0);
        EXPECT_EQ(pixmap.size(), QSize(48, 48)) << name.toStdString();
        EXPECT_EQ(pixmap.devicePixelRatio(), 2.0) << name.toStdString();
        const Coverage covered = coverage(pixmap.toImage(), orange);
        // Drawn, neither empty nor a filled square, and in the colour alone.
        EXPECT_GT(covered.opaque, 48 * 48 / 20) << name.toStdString();
        EXPECT_LT(covered.opaque, 48 * 48 * 9 / 10) << name.toStdString();
        EXPECT_EQ(covered.otherColour, 0) << name.toStdString();
    }
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
}

TEST(SymbolsTest, DetailsAreCutOutOrPaintedInTheDetailColour)
{
    const QColor blue(0, 122, 255);
    // The centre of "xmark.circle.fill" lies on the cross, a point left of
    // it on the disc.
    const QImage cutOut = Symbols::pixmap("xmark.circle.fill", blue, 48).toImage();
    EXPECT_EQ(cutOut.pixelColor(24, 24).alpha(), 0);
    EXPECT_EQ(cutOut.pixelColor(8, 24), blue);

    const QImage painted = Symbols::pixmap("xmark.circle.fill", blue, 48, 1.0, Qt::white).toImage();
    EXPECT_EQ(painted.pixelColor(24, 24), QColor(Qt::white));
    EXPECT_EQ(painted.pixelColor(8, 24), blue);
}

TEST(SymbolsTest, IconsRenderSharplyAtTheDevicePixelRatio)
{
    const QIcon icon = Symbols::icon("doc.text", Qt::black, 16);
    ASSERT_FALSE(icon.isNull());

    const QPixmap sharp = icon.pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(sharp.size(), QSize(32, 32));
    EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
    // Rendered from the drawing at 32 pixels, not the 16-pixel one scaled up.
    EXPECT_EQ(sharp.toImage(), Symbols::pixmap("doc.text", Qt::black, 16, 2.0).toImage());
    EXPECT_NE(sharp.toImage(), icon.pixmap(QSize(16, 16), 1.0).toImage().scaled(32, 32));

    const QImage disabled = icon.pixmap(QSize(16, 16), 1.0, QIcon::Disabled).toImage();
    const QImage normal = icon.pixmap(QSize(16, 16), 1.0).toImage();
    int fainter = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x)
            fainter += disabled.pixelColor(x, y).alpha() < normal.pixelColor(x, y).alpha();
    }
    EXPECT_GT(fainter, 10);
}

TEST(SymbolsTest, AnUnknownNameShowsAPlaceholderAndWarnsOnce)
{
    LogCapture log;
    for (const QString &name :
        { QStringLiteral("no.such.symbol"), QStringLiteral("../images/MenuBarIcon") }) {
        EXPECT_FALSE(Symbols::contains(name));
        const QImage first = Symbols::pixmap(name, Qt::red, 24).toImage();
        EXPECT_GT(coverage(first, Qt::red).opaque, 24) << name.toStdString();
        EXPECT_FALSE(Symbols::icon(name, Qt::red, 24).pixmap(24, 24).isNull());
    }
    EXPECT_EQ(log.lines(),
        QStringList({ "⚠️ No symbol named \"no.such.symbol\"; drawing a placeholder",
            "⚠️ No symbol named \"../images/MenuBarIcon\"; drawing a placeholder" }));
}

TEST(SymbolsTest, TheTrayImageHasDarkAndLightParts)
{
    // Dark strokes on a light rim stay visible on light and dark panels.
    const QImage image = Resources::menuBarIcon()
                             .pixmap(QSize(22, 22), 2.0)
                             .toImage()
                             .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(44, 44));
    int dark = 0;
    int light = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() < 250)
                continue;
            dark += pixel.lightness() < 64;
            light += pixel.lightness() > 192;
        }
    }
    EXPECT_GT(dark, 40);
    EXPECT_GT(light, 40);
}
