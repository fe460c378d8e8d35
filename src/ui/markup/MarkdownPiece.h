#pragma once

#include "MarkdownElement.h"

#include <QList>

// What one row draws: a whole block or, for a block too long to lay out in
// one go on the GUI thread, one of the consecutive pieces it is cut into.
// The pieces of a block stand with no gap between them; only the first shows
// the block's marker and its padding above, only the last its padding below.
struct MarkdownPiece
{
    // The block, its text cut down to this piece's share.
    MarkdownElement element;
    bool first = true;
    bool last = true;
};

// A piece of text this long takes a few tens of milliseconds to lay out.
inline constexpr qsizetype longestPiece = 8192;

// The rows of the elements: one per element, except that an element whose
// text is longer than `longest` is cut into pieces of about that length, at
// a line break, else white space, outside its bold runs where there is any
// (inside a word otherwise), so that each piece shows its bold runs as the
// whole would.
QList<MarkdownPiece> piecesOf(const QList<MarkdownElement> &elements, qsizetype longest = longestPiece);
