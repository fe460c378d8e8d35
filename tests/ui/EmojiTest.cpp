#include "ui/markup/Emoji.h"

#include <gtest/gtest.h>

using Runs = QList<std::pair<qsizetype, qsizetype>>;

TEST(EmojiTest, RunsCoverWholeEmojiCharactersOnly)
{
    struct Case
    {
        const char *text;
        Runs expected;
    };
    const Case cases[] = {
        { "plain text, digits 1 2 3 and # *", {} },
        { "😀", { { 0, 2 } } },
        // A family joined by zero-width joiners is one character.
        { "a👨‍👩‍👧b", { { 1, 9 } } },
        { "👍🏽 and 👍", { { 0, 4 }, { 9, 11 } } },
        // Two flags side by side make one run.
        { "🇩🇪🇫🇷", { { 0, 8 } } },
        // Drawn as text unless they ask for emoji presentation.
        { "© ☺ ↔", {} },
        { "©️ ☺️", { { 0, 2 }, { 3, 5 } } },
        { "#️⃣", { { 0, 3 } } },
        // Asking for text presentation keeps a default emoji as text.
        { "☕︎ ☕", { { 3, 4 } } },
        { "é ü ñ", {} },
    };
    for (const Case &c : cases)
        EXPECT_EQ(Emoji::runs(QString::fromUtf8(c.text)), c.expected) << c.text;
}
