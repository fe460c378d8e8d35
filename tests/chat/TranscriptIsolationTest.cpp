#include "chat/TranscriptMessageView.h"

#include <QDateTime>
#include <QImage>

#include <gtest/gtest.h>

// An answer that leaves an override (U+202E) open turns round no more than
// its own line: the transcript draws it as it draws the same answer with the
// override closed (U+202C) at the line's end.
TEST(TranscriptIsolationTest, AnAnswersOverrideEndsWithItsLine)
{
    const QDateTime when = QDateTime::currentDateTime();
    const auto drawn = [&](const QString &content) {
        TranscriptMessageView line(ChatMessage(content, false, when));
        line.resize(600, line.heightForWidth(600));
        return line.grab().toImage();
    };
    EXPECT_EQ(drawn(QStringLiteral("Total: \u202E12.50 EUR\nThe rest reads as written.")),
        drawn(QStringLiteral("Total: \u202E12.50 EUR\u202C\nThe rest reads as written.")));
}
