#ifndef ZOLSAX2_TOOLS_HEAPTUNING_H
#define ZOLSAX2_TOOLS_HEAPTUNING_H

namespace zolsax2 {

// Asks the kernel for transparent huge pages for the process's heap. Loading a large schema
// touches some 30 MB of fresh memory in small allocations; with 4 KiB pages that is about
// 6,500 page faults, which on a virtual machine cost as much as a third of the load (about
// 70 ms for the DocBook schema). With 2 MiB pages they are a few dozen.
//
// The tool calls enableForProcess() once at start and enableForThread() at the start of
// each worker thread; both are no-ops elsewhere (the in-process tests, other programs),
// outside glibc, in sanitizer builds, when GLIBC_TUNABLES already sets malloc tunables (the
// user's choice stands) and when ZOLSAX2_HEAP=default is set. The cost is resident memory:
// 2 to 4 MiB for a large schema, up to about 18 MiB for a document that makes the reader
// allocate and free large buffers, since memory is taken and kept in larger steps.
class HeapTuning {
public:
    // Grows the main heap in 32 MiB steps and marks the first step for huge pages.
    static void enableForProcess();
    // Marks the calling thread's malloc arena for huge pages, once enableForProcess() ran.
    static void enableForThread();
};

} // namespace zolsax2

#endif
