#pragma once

#include <QColor>
#include <QString>

// The colour that a hexadecimal text names, in the forms RGB, RRGGBB and
// AARRGGBB (alpha first), any letter case, with anything that is neither a
// letter nor a digit at either end left out ("#FFF", " #12ab34 ").
//
// It never fails. A text that is not one of those forms gives a colour that
// is all but invisible: red and green 1/255, blue 0, opacity 1/255. That is
// a text of another length, and also a text of the right length that is not
// all hexadecimal digits ("FGH", "FF FF FF"), which would otherwise be read
// only up to its first other character and name some unrelated colour.
// The 0x prefix of a number is read but counts towards the length:
// "0xFFFFFF" is eight characters, so its alpha is 00.
QColor colorFromHex(const QString &hex);
