#pragma once

#include "MarkdownElement.h"
#include "TextSegment.h"

#include <QList>
#include <QString>

// The two parsers of the light markup that answers are written in. Both accept
// every text, depend on their argument alone (apart from fresh identifiers),
// run in time linear in the text's length and may be called from any thread.

// The blocks of the text, in order: "#" headings, "##"/"###" subheadings,
// "-"/"*"/"+" bullets, "1." numbered items and paragraphs of joined lines.
QList<MarkdownElement> parseMarkdown(const QString &text);

// The inline runs of one block's text: plain runs and "**bold**" runs, with
// the markers of every recognised bold run removed.
QList<TextSegment> parseFormattedText(const QString &text);
