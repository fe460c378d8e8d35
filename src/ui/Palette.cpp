#include "Palette.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

QColor pick(const QColor &light, const QColor &dark)
{
    return Palette::isDark() ? dark : light;
}

QColor withAlpha(int red, int green, int blue, qreal alpha)
{
    QColor colour(red, green, blue);
    colour.setAlphaF(float(alpha));
    return colour;
}

} // namespace

namespace Palette {

bool isDark()
{
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
}

QColor primaryLabel()
{
    return pick(withAlpha(0, 0, 0, 0.85), withAlpha(255, 255, 255, 0.85));
}
QColor secondaryLabel()
{
    return pick(withAlpha(0, 0, 0, 0.5), withAlpha(255, 255, 255, 0.55));
}
QColor tertiaryLabel()
{
    return pick(withAlpha(0, 0, 0, 0.26), withAlpha(255, 255, 255, 0.25));
}
QColor quaternaryLabel()
{
    return pick(withAlpha(0, 0, 0, 0.1), withAlpha(255, 255, 255, 0.1));
}

QColor blue()
{
    return pick(QColor(0, 122, 255), QColor(10, 132, 255));
}
QColor orange()
{
    return pick(QColor(255, 149, 0), QColor(255, 159, 10));
}
QColor green()
{
    return pick(QColor(40, 205, 65), QColor(50, 215, 75));
}
QColor red()
{
    return pick(QColor(255, 59, 48), QColor(255, 69, 58));
}
QColor yellow()
{
    return pick(QColor(255, 204, 0), QColor(255, 214, 10));
}
QColor purple()
{
    return pick(QColor(175, 82, 222), QColor(191, 90, 242));
}
QColor gray()
{
    return pick(QColor(142, 142, 147), QColor(152, 152, 157));
}

QColor settingsAccent()
{
    return QColor::fromRgbF(0.93f, 0.4f, 0.14f);
}

QColor windowBackground()
{
    return pick(QColor(236, 236, 236), QColor(50, 50, 50));
}
QColor controlBackground()
{
    return pick(QColor(255, 255, 255), QColor(30, 30, 30));
}
QColor separator()
{
    return pick(withAlpha(0, 0, 0, 0.1), withAlpha(255, 255, 255, 0.1));
}

QColor regularMaterial()
{
    return pick(withAlpha(246, 246, 246, 0.92), withAlpha(40, 40, 40, 0.92));
}
QColor thinMaterial()
{
    return pick(withAlpha(250, 250, 250, 0.85), withAlpha(48, 48, 48, 0.85));
}
QColor ultraThinMaterial()
{
    return pick(withAlpha(252, 252, 252, 0.75), withAlpha(30, 30, 30, 0.75));
}

QColor screenFill(const QColor &material, qreal opacity)
{
    QColor fill = withOpacity(material, opacity);
    fill.setAlphaF(float(qMax<qreal>(fill.alphaF(), screenFillMinimumAlpha)));
    return fill;
}

QColor withOpacity(QColor colour, qreal opacity)
{
    colour.setAlphaF(float(colour.alphaF() * opacity));
    return colour;
}

QColor mix(const QColor &from, const QColor &to, qreal amount)
{
    const auto blend = [amount](float a, float b) { return a + (b - a) * float(amount); };
    return QColor::fromRgbF(blend(from.redF(), to.redF()), blend(from.greenF(), to.greenF()),
        blend(from.blueF(), to.blueF()), blend(from.alphaF(), to.alphaF()));
}

QLinearGradient standardGradient(const QColor &colour, const QRectF &rect)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, colour.lighter(115));
    gradient.setColorAt(1, colour);
    return gradient;
}

} // namespace Palette
