#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QWidget;
class TextBlock;

// The texts of the onboarding steps. All of them are plain: nothing in them
// is read as markup, so a name typed by the user shows as typed.
namespace OnboardingText {

// Text whose lines ("\n" breaks them) are centred and wrap at the width it
// is given, inside a word that is wider than that.
TextBlock *centred(const QString &text, const QFont &font, const QColor &colour, qreal lineSpacing = 0);

// A short text on a rounded chip of the fill, padded as given; a text too
// long for the room it gets ends in "…".
QWidget *chip(const QString &text, const QFont &font, const QColor &colour, int horizontalPadding,
    int verticalPadding, const QColor &fill);

} // namespace OnboardingText
