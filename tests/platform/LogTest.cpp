#include "platform/Log.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

TEST(LogTest, EveryLineIsWrittenAsOneLineInItsLogicalOrder)
{
    const struct
    {
        QString text;
        QString printed;
    } cases[] = {
        { QStringLiteral("💾 Saved conversation: 'Plain' with 2 messages"),
            QStringLiteral("💾 Saved conversation: 'Plain' with 2 messages") },
        // A body that would start a line of our own, or break one.
        { QStringLiteral("❌ Response body: oops\n✅ Successfully received AI response"),
            QStringLiteral("❌ Response body: oops\\n✅ Successfully received AI response") },
        { QStringLiteral("line one\r\nline two\tand a tab"),
            QStringLiteral("line one\\r\\nline two\\tand a tab") },
        { QStringLiteral("next\u2028line\u2029paragraph") + QChar(0x85) + QStringLiteral("NEL"),
            QStringLiteral("next\\u2028line\\u2029paragraph\\x85NEL") },
        // Terminal controls.
        { QStringLiteral("\x1b]0;owned\x07\x1b[31mred\x1b[0m"),
            QStringLiteral("\\x1b]0;owned\\x07\\x1b[31mred\\x1b[0m") },
        { QStringLiteral("back\bspace del\x7f c1") + QChar(0x9b),
            QStringLiteral("back\\x08space del\\x7f c1\\x9b") },
        // What reorders text for display: overrides, embeddings, isolates, marks.
        { QStringLiteral("total \u202E0.05 USD"), QStringLiteral("total \\u202E0.05 USD") },
        { QStringLiteral("\u202A\u202B\u202C\u202D \u2066\u2067\u2068\u2069 \u200E\u200F\u061C"),
            QStringLiteral(
                "\\u202A\\u202B\\u202C\\u202D \\u2066\\u2067\\u2068\\u2069 \\u200E\\u200F\\u061C") },
        // Right-to-left letters and other text stay as they are.
        { QStringLiteral("שלום, right to left, emoji ⚠️ and \\n as typed"),
            QStringLiteral("שלום, right to left, emoji ⚠️ and \\n as typed") },
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Log::printable(c.text), c.printed) << c.text.toStdString();
        // What a sink collects is what the terminal shows.
        const LogCapture log;
        Log::line(c.text);
        EXPECT_EQ(log.lines(), QStringList { c.printed });
    }
}
