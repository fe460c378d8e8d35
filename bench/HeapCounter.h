#pragma once

#include <cstddef>

// Counts the bytes that the process's heap hands out, by standing in for
// malloc and its relatives in this program and passing every call on to the
// C library's allocator. Every library of the process (Qt, SQLite, zlib) is
// counted, since their calls land here too.
namespace HeapCounter {

std::size_t inUse();
std::size_t peak();
// Starts a new peak from what is in use now.
void resetPeak();

} // namespace HeapCounter
