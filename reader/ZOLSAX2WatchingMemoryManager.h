#ifndef ZOLSAX2WATCHINGMEMORYMANAGER_H
#define ZOLSAX2WATCHINGMEMORYMANAGER_H

#include <xercesc/framework/MemoryManager.hpp>

// Another memory manager's memory (Xerces' own by default), which also tells whether one
// watched object is still allocated. ZOLSAX2SkippedEntityReader
// uses it to find out whether the reader freed an object that some builds of Xerces leak.
// Internal to the library.
class ZOLSAX2WatchingMemoryManager : public xercesc::MemoryManager {
public:
    // Takes its memory from next, which must outlive it.
    explicit ZOLSAX2WatchingMemoryManager(xercesc::MemoryManager* next);
    ZOLSAX2WatchingMemoryManager(const ZOLSAX2WatchingMemoryManager&) = delete;
    ZOLSAX2WatchingMemoryManager& operator=(const ZOLSAX2WatchingMemoryManager&) = delete;
    ~ZOLSAX2WatchingMemoryManager() override;

    xercesc::MemoryManager* getExceptionMemoryManager() override;
    void* allocate(XMLSize_t size) override;
    void deallocate(void* p) override;

    // Watches object, which XMemory's operator new allocated through this manager; null
    // watches nothing.
    void watch(const void* object) noexcept;
    // True while the watched object has not been freed.
    bool isWatchedAllocated() const noexcept { return watched != nullptr; }

private:
    xercesc::MemoryManager* next;
    // The block of the watched object, which starts XMemory's header before the object.
    const void* watched;
};

#endif
