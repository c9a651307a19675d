#include "ZOLSAX2ReaderMemory.h"

#include <xercesc/util/PlatformUtils.hpp>

ZOLSAX2ReaderMemory::ZOLSAX2ReaderMemory() : next(xercesc::XMLPlatformUtils::fgMemoryManager), blocks(0) {}

ZOLSAX2ReaderMemory::~ZOLSAX2ReaderMemory() = default;

xercesc::MemoryManager* ZOLSAX2ReaderMemory::getExceptionMemoryManager()
{
    return xercesc::XMLPlatformUtils::fgMemoryManager;
}

void* ZOLSAX2ReaderMemory::allocate(XMLSize_t size)
{
    void* p = next->allocate(size);
    ++blocks;
    return p;
}

void ZOLSAX2ReaderMemory::deallocate(void* p)
{
    if (p == nullptr)
        return;
    // A block of another manager released here must not wrap the count round.
    if (blocks > 0)
        --blocks;
    next->deallocate(p);
}
