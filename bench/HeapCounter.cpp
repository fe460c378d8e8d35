#include "HeapCounter.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <malloc.h>

extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *pointer, std::size_t size);
void *__libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void *pointer);
}

namespace {

std::atomic<std::size_t> bytesInUse { 0 };
std::atomic<std::size_t> peakBytes { 0 };

void *counted(void *pointer)
{
    if (pointer) {
        const std::size_t now
            = bytesInUse.fetch_add(malloc_usable_size(pointer)) + malloc_usable_size(pointer);
        std::size_t seen = peakBytes.load();
        while (now > seen && !peakBytes.compare_exchange_weak(seen, now)) { }
    }
    return pointer;
}

void uncount(void *pointer)
{
    if (pointer)
        bytesInUse.fetch_sub(malloc_usable_size(pointer));
}

} // namespace

extern "C" {

void *malloc(std::size_t size)
{
    return counted(__libc_malloc(size));
}

void *calloc(std::size_t count, std::size_t size)
{
    return counted(__libc_calloc(count, size));
}

void *realloc(void *pointer, std::size_t size)
{
    uncount(pointer);
    void *moved = __libc_realloc(pointer, size);
    if (!moved && size != 0 && pointer) // the old block stays
        return counted(pointer);
    return counted(moved);
}

void free(void *pointer)
{
    uncount(pointer);
    __libc_free(pointer);
}

void *memalign(std::size_t alignment, std::size_t size)
{
    return counted(__libc_memalign(alignment, size));
}

void *aligned_alloc(std::size_t alignment, std::size_t size)
{
    return counted(__libc_memalign(alignment, size));
}

int posix_memalign(void **result, std::size_t alignment, std::size_t size)
{
    void *pointer = counted(__libc_memalign(alignment, size));
    if (!pointer)
        return ENOMEM;
    *result = pointer;
    return 0;
}

void *valloc(std::size_t size)
{
    return counted(__libc_memalign(4096, size));
}

void *pvalloc(std::size_t size)
{
    return counted(__libc_memalign(4096, (size + 4095) & ~std::size_t(4095)));
}

} // extern "C"

namespace HeapCounter {

std::size_t inUse()
{
    return bytesInUse.load();
}

std::size_t peak()
{
    return peakBytes.load();
}

void resetPeak()
{
    peakBytes.store(bytesInUse.load());
}

} // namespace HeapCounter
