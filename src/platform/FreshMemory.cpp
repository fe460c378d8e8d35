#include "FreshMemory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace FreshMemory {

namespace {

constexpr quintptr hugePageSize = 2 * 1024 * 1024;

// The part of [data, data + size) that starts and ends on multiples of `unit`.
bool alignedInside(char *data, qsizetype size, quintptr unit, quintptr &begin, quintptr &end)
{
    begin = (quintptr(data) + unit - 1) & ~(unit - 1);
    end = (quintptr(data) + quintptr(size)) & ~(unit - 1);
    return end > begin;
}

} // namespace

void prepareForWriting(char *data, qsizetype size)
{
    quintptr begin = 0;
    quintptr end = 0;
    if (alignedInside(data, size, hugePageSize, begin, end))
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
    if (alignedInside(data, size, quintptr(sysconf(_SC_PAGESIZE)), begin, end))
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_POPULATE_WRITE);
}

void returnLargeBuffersWhenFreed()
{
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
}

} // namespace FreshMemory
