#ifndef ZOLSAX2_FAILING_ALLOCATION_H
#define ZOLSAX2_FAILING_ALLOCATION_H

#include <cstddef>

// The hostile suite replaces the global operator new: once armed, every request of at
// least the given size throws std::bad_alloc, which Xerces turns into its
// OutOfMemoryException. Small requests, and so the rest of the process, go on working.
namespace failing {

void arm(std::size_t threshold);
void disarm();
// Requests refused since the last arm().
std::size_t refusals();
// From now on, freed memory is overwritten and never handed out again, so that a read of
// it gives nonsense at once. For child processes only: nothing is freed any more.
void poisonFreedMemory();

} // namespace failing

#endif
