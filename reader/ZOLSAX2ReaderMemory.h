#ifndef ZOLSAX2READERMEMORY_H
#define ZOLSAX2READERMEMORY_H

#include <xercesc/framework/MemoryManager.hpp>

#include <cstddef>

// The memory manager of a validator's reader, caching or not: allocates as Xerces' default manager
// does and counts the blocks the reader holds, so that the validator can see the reader grow
// from one document to the next and replace it. Xerces keeps some things for the reader's
// life (every namespace URI a document used, a declaration for every undeclared element name
// it met), which a reader that lives for many documents would otherwise pile up. Blocks,
// not bytes: their sizes are the C library's business, and what piles up is many small ones.
// Internal to the library; serves one reader, used by one thread at a time.
class ZOLSAX2ReaderMemory : public xercesc::MemoryManager {
public:
    ZOLSAX2ReaderMemory();
    ZOLSAX2ReaderMemory(const ZOLSAX2ReaderMemory&) = delete;
    ZOLSAX2ReaderMemory& operator=(const ZOLSAX2ReaderMemory&) = delete;
    ~ZOLSAX2ReaderMemory() override;

    // Takes later blocks from next, which must outlive them; only while no block is held.
    void setNext(xercesc::MemoryManager* next) noexcept { this->next = next; }
    // Blocks allocated through this manager and not yet released.
    std::size_t getBlocks() const noexcept { return blocks; }

    xercesc::MemoryManager* getExceptionMemoryManager() override;
    // Throws what next throws: xercesc::OutOfMemoryException when the memory is not there.
    void* allocate(XMLSize_t size) override;
    void deallocate(void* p) override;

private:
    xercesc::MemoryManager* next;
    std::size_t blocks;
};

#endif
