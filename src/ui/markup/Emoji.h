#pragma once

#include <QList>
#include <QStringView>

#include <utility>

// Which characters of a text are emoji to be drawn in colour. A character
// here is what the user sees as one (a grapheme cluster): a face, a flag of
// two regional indicators, a person with a skin tone, or a family joined by
// zero-width joiners, each with the code points that make it up.
namespace Emoji {

// Whether the character is drawn as an emoji: it asks for emoji
// presentation (U+FE0F), or its first code point is drawn as an emoji by
// default, or it carries a skin tone; never when it asks for text
// presentation (U+FE0E).
bool isEmoji(QStringView character);

// The emoji characters of the text, as [start, end) in UTF-16 units, in order.
QList<std::pair<qsizetype, qsizetype>> runs(QStringView text);

} // namespace Emoji
