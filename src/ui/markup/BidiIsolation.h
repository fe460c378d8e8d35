#pragma once

#include <QString>
#include <QStringView>

// Text of a service or a user may hold the characters that reorder text for
// display: embeddings and overrides (U+202A-U+202E) and isolates
// (U+2066-U+2069). One such character left open reverses, or moves, all the
// text that follows it in the same layout. Each paragraph of such a text
// (what a line break ends) is laid out as an isolate of its own, in the
// direction of its first strong character (first-strong isolation), so that
// whatever it opens ends with it and what surrounds it keeps its order. Text
// without those characters is laid out as it stands.
//
// Pure functions, usable from any thread.
namespace BidiIsolation {

// Whether the text holds a character that opens or closes a reordering.
bool reordersText(QStringView text);

// The text with each paragraph between U+2068 and U+2069; the text itself
// when it does not reorder.
QString isolatedParagraphs(QStringView text);
// The same for one line of text that stands among others (a line joined
// into a paragraph): the whole line isolated, when it reorders.
QString isolatedLine(QStringView line);

// A position (a cursor between characters) in the text and the same place
// in its isolatedParagraphs(); a position in the isolated text that falls on
// an isolate's mark goes to the nearer end of its paragraph.
qsizetype isolatedPosition(QStringView text, qsizetype position);
qsizetype sourcePosition(QStringView text, qsizetype isolatedPosition);

} // namespace BidiIsolation
