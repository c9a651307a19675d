#include "HeapTuning.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) &&                           \
    UINTPTR_MAX == 0xffffffffffffffffu
#define ZOLSAX2_HEAP_TUNING 1
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace zolsax2 {

namespace {

std::atomic<bool> enabled{false};

#ifdef ZOLSAX2_HEAP_TUNING
constexpr std::uintptr_t hugePage = std::uintptr_t(2) << 20;
// How far the main heap grows at a time: room for the DocBook grammar and the schema's DOM.
// A larger step keeps more freed memory at the top of the heap (64 MiB cost a hostile
// document 30 MB more peak memory, 32 MiB 14 MB).
constexpr std::uintptr_t heapStep = std::uintptr_t(32) << 20;
// The size and alignment of the heaps of glibc's per-thread arenas on 64-bit systems
// (HEAP_MAX_SIZE).
constexpr std::uintptr_t arenaHeap = std::uintptr_t(64) << 20;

void adviseHuge(std::uintptr_t from, std::uintptr_t to)
{
    from = (from + hugePage - 1) & ~(hugePage - 1);
    to &= ~(hugePage - 1);
    if (to > from)
        madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

bool wanted()
{
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    if (tunables && std::strstr(tunables, "glibc.malloc."))
        return false;
    const char* heap = std::getenv("ZOLSAX2_HEAP");
    return !(heap && std::strcmp(heap, "default") == 0);
}
#endif

} // namespace

void HeapTuning::enableForProcess()
{
#ifdef ZOLSAX2_HEAP_TUNING
    if (enabled || !wanted())
        return;
    mallopt(M_TOP_PAD, static_cast<int>(heapStep));
    // A few allocations below the mmap threshold make the heap take its first step;
    // the madvise then covers what the schema load will touch.
    void* blocks[8];
    int count = 0;
    const auto first = reinterpret_cast<std::uintptr_t>(blocks[count++] = std::malloc(100 << 10));
    while (count < 8 && reinterpret_cast<std::uintptr_t>(sbrk(0)) < first + heapStep / 2)
        blocks[count++] = std::malloc(100 << 10);
    const auto top = reinterpret_cast<std::uintptr_t>(sbrk(0));
    // Only when the blocks came from the brk heap just below its top.
    if (first < top && top - first <= 2 * heapStep)
        adviseHuge(first, top);
    while (count > 0)
        std::free(blocks[--count]);
    enabled = true;
#endif
}

void HeapTuning::enableForThread()
{
#ifdef ZOLSAX2_HEAP_TUNING
    if (!enabled)
        return;
    void* probe = std::malloc(64);
    const auto p = reinterpret_cast<std::uintptr_t>(probe);
    // A thread arena's heap is a 64 MiB aligned reservation that starts with the arena's
    // own header; a pointer in the main heap (below its top) belongs to no such heap.
    if (p > reinterpret_cast<std::uintptr_t>(sbrk(0))) {
        const std::uintptr_t heap = p & ~(arenaHeap - 1);
        adviseHuge(heap + hugePage, heap + arenaHeap);
    }
    std::free(probe);
#endif
}

} // namespace zolsax2
