#include "AIManagerFixture.h"
#include "HeapCounter.h"

#include <QElapsedTimer>

// A service that answers with a body without end, as fast as the client
// takes it: the client refuses the answer once it passes the limit, and what
// it holds meanwhile stays within the limit and a small margin, whichever
// thread of Qt's the body passes through. The heap is counted by standing in
// for the allocator (the fake service's own allocations are small and
// short-lived).
TEST_F(AIManagerFixture, AnEndlessAnswerIsRefusedWithTheClientsMemoryBounded)
{
    service.setDefault("POST", "/v1/chat/completions", FakeReply::endless());
    const qint64 limit = HttpSessionConfiguration().maximumResponseSize;

    const std::size_t before = HeapCounter::inUse();
    HeapCounter::resetPeak();
    QElapsedTimer clock;
    clock.start();
    const AIResponse record = analyze(QStringLiteral("How long is this?"));
    const qint64 elapsed = clock.elapsed();
    const qint64 peak = qint64(HeapCounter::peak()) - qint64(before);

    EXPECT_EQ(record.content, QStringLiteral("❌ Network error: resource exceeds maximum size"));
    EXPECT_TRUE(log.contains(QStringLiteral("❌ Error code: -1103")));
    EXPECT_LT(peak, limit + 8 * 1024 * 1024) << "peak " << peak / 1024 / 1024 << " MiB";
    // Ended by the limit, long before the session's 60 s.
    EXPECT_LT(service.endlessBytesSent(), 4 * limit);
    EXPECT_LT(elapsed, 30000);
}
