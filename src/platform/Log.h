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

    // The text as it goes to standard output: control characters other than
    // line breaks and tabs (a title or an answer may hold any) are written
    // out as "\xNN", so that no text of a service or a user can move the
    // cursor, retitle or recolour the terminal that watches the program.
    static QString printable(const QString &text);

    // Replaces where lines go (tests collect them); an empty sink restores
    // standard output. Returns the sink that was installed before.
    static Sink setSink(Sink sink);
};
