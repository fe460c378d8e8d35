#pragma once

#include "MarkdownElement.h"

class QWidget;

// The row that draws one block of parsed markup; MarkdownText stacks them.
namespace MarkdownRow {

// Headings and code are drawn verbatim; items and paragraphs show their bold
// runs. Every text block of the row is a TextBlock.
QWidget *create(const MarkdownElement &element, QWidget *parent = nullptr);

} // namespace MarkdownRow
