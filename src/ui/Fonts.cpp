#include "Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

QFont sized(QFont font, int pixelSize, QFont::Weight weight)
{
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

QFont::Weight weightNamedIn(const QString &postScriptName)
{
    const QStringList words = postScriptName.split(u'-');
    if (words.contains(QLatin1String("SemiBold")))
        return QFont::DemiBold;
    if (words.contains(QLatin1String("Medium")))
        return QFont::Medium;
    if (words.contains(QLatin1String("Bold")))
        return QFont::Bold;
    return QFont::Normal;
}

} // namespace

namespace Fonts {

QFont custom(const QString &postScriptName, int pixelSize)
{
    QFont font = system(pixelSize, weightNamedIn(postScriptName));
    // The system family stays second in line, so that a missing custom font
    // falls back to it rather than to whatever font matching picks.
    font.setFamilies({ postScriptName, font.family() });
    return font;
}

QFont system(int pixelSize, QFont::Weight weight)
{
    return sized(QFontDatabase::systemFont(QFontDatabase::GeneralFont), pixelSize, weight);
}

QFont monospaced(int pixelSize, QFont::Weight weight)
{
    return sized(QFontDatabase::systemFont(QFontDatabase::FixedFont), pixelSize, weight);
}

} // namespace Fonts
