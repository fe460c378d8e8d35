#pragma once

#include <QString>

#include <functional>

// One line per event on standard output, flushed at once so that a line is
// visible to whoever watches the process even if it dies right after.
// Lines begin with a mark: "✅" success, "❌" failure, "⚠️" warning or
// fallback, "💾" saving, "📂" loading, "🔧" window handling, "🔥" hot key,
// "💬" chat, "📸" overlay, "🗑️" removal.
class Log
{
public:
    using Sink = std::function<void(const QString &line)>;

    static void line(const QString &text);

    // The text as it goes out, always one line: line breaks and tabs are
    // written as "\n", "\r", "\t", other control characters as "\xNN",
    // the line and paragraph separators and the characters that reorder text
    // (marks, embeddings, overrides, isolates) as "\uNNNN". So no text of a
    // service or a user (a title, an error body) can start a line that reads
    // as one of ours, turn a line around, or move the cursor, retitle or
    // recolour the terminal that watches the program.
    static QString printable(const QString &text);

    // Replaces where lines go (tests collect them, as printable() writes
    // them); an empty sink restores standard output. Returns the sink that was installed before.
    static Sink setSink(Sink sink);
};
