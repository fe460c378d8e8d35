#include "StoreWaitLimit.h"

#include <algorithm>
#include <iterator>
#include <sqlite3.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

thread_local StoreWaitLimit *innermost = nullptr;
// When the current wait for a lock began: SQLite counts the attempts of one
// wait, starting from 0.
thread_local Clock::time_point waitStarted;

} // namespace

StoreWaitLimit::StoreWaitLimit(std::chrono::milliseconds limit)
    : m_deadline(Clock::now() + limit)
    , m_outer(innermost)
{
    if (m_outer)
        m_deadline = std::min(m_deadline, m_outer->m_deadline);
    innermost = this;
}

StoreWaitLimit::~StoreWaitLimit()
{
    innermost = m_outer;
    // A call that gave up under an inner limit gave up under the outer too.
    if (m_outer && m_busy)
        m_outer->m_busy = true;
}

std::optional<std::chrono::steady_clock::time_point> StoreWaitLimit::deadline()
{
    if (!innermost)
        return std::nullopt;
    return innermost->m_deadline;
}

void StoreWaitLimit::noteBusy()
{
    if (innermost)
        innermost->m_busy = true;
}

void StoreWaitLimit::install(sqlite3 *db)
{
    sqlite3_busy_handler(db, &StoreWaitLimit::waitWhileBusy, nullptr);
}

int StoreWaitLimit::waitWhileBusy(void *, int attempt)
{
    // Short sleeps first, as SQLite's own time-out takes them: most locks
    // are held for a few milliseconds.
    static constexpr int sleepsMs[] = { 1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100 };
    const Clock::time_point now = Clock::now();
    if (attempt == 0)
        waitStarted = now;
    Clock::time_point giveUpAt = waitStarted + defaultWait;
    if (const std::optional<Clock::time_point> limit = deadline())
        giveUpAt = std::min(giveUpAt, *limit);
    if (now >= giveUpAt)
        return 0;
    const auto sleep
        = std::chrono::milliseconds(sleepsMs[std::min<std::size_t>(attempt, std::size(sleepsMs) - 1)]);
    std::this_thread::sleep_for(std::min<Clock::duration>(sleep, giveUpAt - now));
    return 1;
}
