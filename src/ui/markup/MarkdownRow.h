#pragma once

#include "MarkdownElement.h"
#include "MarkdownPiece.h"

#include <QList>

#include <vector>

class QWidget;

// The row that draws one block of parsed markup; MarkdownText stacks them.
namespace MarkdownRow {

// Headings and code are drawn verbatim; items and paragraphs show their bold
// runs. Every text block of the row is a TextBlock.
QWidget *create(const MarkdownElement &element, QWidget *parent = nullptr);
// The row of one piece of a block (a whole block is one piece).
QWidget *create(const MarkdownPiece &piece, QWidget *parent = nullptr);

// The height of the row that create() makes, at that width and with that
// spacing between the lines of its text, found without making it: for rows
// that are measured but not on screen.
int heightForWidth(const MarkdownElement &element, int width, qreal lineSpacing);
int heightForWidth(const MarkdownPiece &piece, int width, qreal lineSpacing);

// What a quick guess at a row's height needs, from the length of its text
// alone: the text's width on one line, its line height, the room the row
// takes beside and around the text, and the line breaks in the text (each
// starts a line of its own).
struct HeightGuess
{
    float textAdvance = 0;
    float lineHeight = 0;
    int indent = 0;
    int padding = 0;
    int lineBreaks = 0;
};
// The guesses for many elements at once.
std::vector<HeightGuess> heightGuesses(const QList<MarkdownPiece> &pieces);
int guessedHeight(const HeightGuess &guess, int width, qreal lineSpacing);

} // namespace MarkdownRow
