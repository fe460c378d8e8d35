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

} // namespace FreshMemory
