#pragma once

#include "store/DateEnvironment.h"

#include <QDateTime>
#include <QFont>
#include <QString>
#include <QStringList>

// The texts of the chat window that are worked out from its state, and the
// blank test and trimming of what the user types.
namespace ChatTexts {

// The input with spaces (every Unicode space separator) and tabs removed
// from both ends. Line breaks are kept: they are neither trimmed nor blank.
QString trimmedInput(const QString &input);
// Whether nothing is left of the input once trimmed.
bool isBlankInput(const QString &input);

// The chat panel's status line: "AI is thinking..." while a reply is
// awaited, else "Start a conversation" for an empty transcript, else the
// count followed by " messages" (one included).
QString chatStatusText(bool isProcessing, qsizetype messageCount);

// The sidebar's count: the number followed by " saved".
QString savedCountText(qsizetype conversationCount);
// A conversation row's exchanges: half the messages, rounded down, followed
// by " exchanges".
QString exchangesText(qsizetype messageCount);

// The text wrapped to the width in the font, at most maxLines lines; the
// last is cut with "…" when text is left over. Line breaks in the text
// end lines.
QStringList clampedLines(const QString &text, const QFont &font, qreal width, int maxLines);

// The font at its own size, or smaller (down to smallestPixelSize) when the
// whole text does not fit in maxLines lines of the width at that size: a
// wider stand-in for a custom font would otherwise cut the text.
QFont fontFitting(const QString &text, QFont font, qreal width, int maxLines, int smallestPixelSize);

// The file name proposed for a saved screenshot: "Screenshot_" followed by
// the local date and time as "yyyy-MM-dd_HH-mm-ss" and ".png".
QString proposedScreenshotFileName(const DateEnvironment &environment = DateEnvironment::current());

} // namespace ChatTexts
