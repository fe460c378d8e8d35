#include "platform/Log.h"

#include <gtest/gtest.h>

TEST(LogTest, ControlCharactersReachTheTerminalWrittenOut)
{
    const struct
    {
        QString text;
        QString printed;
    } cases[] = {
        { QStringLiteral("💾 Saved conversation: 'Plain' with 2 messages"),
            QStringLiteral("💾 Saved conversation: 'Plain' with 2 messages") },
        { QStringLiteral("line one\nline two\tand a tab"), QStringLiteral("line one\nline two\tand a tab") },
        { QStringLiteral("\x1b]0;owned\x07\x1b[31mred\x1b[0m"),
            QStringLiteral("\\x1b]0;owned\\x07\\x1b[31mred\\x1b[0m") },
        { QStringLiteral("back\rspace\b del\x7f c1") + QChar(0x9b),
            QStringLiteral("back\\x0dspace\\x08 del\\x7f c1\\x9b") },
        { QStringLiteral("שלום, right to left"), QStringLiteral("שלום, right to left") },
    };
    for (const auto &c : cases)
        EXPECT_EQ(Log::printable(c.text), c.printed) << c.text.toStdString();
}
