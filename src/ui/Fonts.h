#pragma once

#include <QFont>
#include <QString>

// The fonts that views request. Sizes are in logical pixels: one point of a
// design is one logical pixel on screen.
namespace Fonts {

// The custom family, asked for by its PostScript names.
inline constexpr auto hafferRegular = "HafferXH-Regular-TRIAL";
inline constexpr auto hafferMedium = "HafferXH-Medium-TRIAL";
inline constexpr auto hafferSemiBold = "HafferXH-SemiBold-TRIAL";
// The same faces with the weight after "TRIAL", as a few views name them.
inline constexpr auto hafferTrialRegular = "HafferXH-TRIAL-Regular";
inline constexpr auto hafferTrialMedium = "HafferXH-TRIAL-Medium";

// The colour emoji font (Debian's fonts-noto-color-emoji). The text blocks
// ask for it by name for every emoji; elsewhere emoji that no other font has
// reach it through the font fallback.
inline constexpr auto colorEmojiFamily = "Noto Color Emoji";

// The font with that PostScript name at the size; where no such font is
// installed, the system font at the same size and at the weight the name
// spells ("Regular", "Medium", "SemiBold", "Bold").
QFont custom(const QString &postScriptName, int pixelSize);

// The system's user-interface font at the size and weight.
QFont system(int pixelSize, QFont::Weight weight = QFont::Normal);

// The system's fixed-pitch font at the size and weight.
QFont monospaced(int pixelSize, QFont::Weight weight = QFont::Normal);

} // namespace Fonts
