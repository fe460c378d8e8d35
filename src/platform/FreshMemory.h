#pragma once

#include <QtGlobal>

// Large buffers that are about to be filled from start to end fault their
// pages in one at a time as the writing reaches them. Where page faults are
// dear (on some virtual machines they are most of the time a large save or
// load takes), faulting them all in at once, and as huge pages where the
// buffer spans any, is several times faster. Only a hint: nothing changes
// where the system does not support it.
namespace FreshMemory {

void prepareForWriting(char *data, qsizetype size);

// Has every buffer of 256 KiB or more (a decoded screenshot, a screenshot's
// PNG bytes) mapped on its own and given back to the system when it is
// freed. By default the C library raises that bound to the size of each
// large buffer freed, and keeps the buffers after in its heaps, one per
// thread: a program that decodes screenshots on a thread pool would then
// keep tens of megabytes it no longer uses for as long as it runs.
void returnLargeBuffersWhenFreed();

} // namespace FreshMemory
