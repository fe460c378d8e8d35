#pragma once

#include <chrono>
#include <ctime>

// The processor time the calling thread has used. Tests that bound how long
// work holds a thread measure this rather than the wall clock, so that other
// programs competing for the processors do not count against the work.
inline std::chrono::nanoseconds threadCpuTime()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}
