#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

// Icons by symbol name ("doc.text", "xmark.circle.fill"), drawn from the
// program's own single-colour line drawings and tinted when drawn.
//
// Filled symbols have their details cut out ("xmark.circle.fill" is a disc
// with a cross-shaped hole); a detail colour paints those details instead of
// leaving them transparent. A name without a drawing gives a visible
// placeholder and one "⚠️" log line.
namespace Symbols {

// Whether a drawing of that name exists.
bool contains(const QString &name);

// The names of all drawings, sorted.
QStringList names();

// The symbol in colour, filling a square of size logical pixels, rendered for
// the device pixel ratio.
QPixmap pixmap(const QString &name, const QColor &colour, int size, qreal devicePixelRatio = 1.0,
    const QColor &detailColour = Qt::transparent);

// The symbol as an icon meant for size logical pixels; it renders sharply at
// whatever size and device pixel ratio it is drawn. Disabled icons fade.
QIcon icon(const QString &name, const QColor &colour, int size, const QColor &detailColour = Qt::transparent);

} // namespace Symbols
