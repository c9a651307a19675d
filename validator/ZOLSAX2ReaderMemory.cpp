#include "ZOLSAX2ReaderMemory.h"

#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <new>

ZOLSAX2ReaderMemory::ZOLSAX2ReaderMemory() : blocks(0) {}

ZOLSAX2ReaderMemory::~ZOLSAX2ReaderMemory() = default;

xercesc::MemoryManager* ZOLSAX2ReaderMemory::getExceptionMemoryManager()
{
    return xercesc::XMLPlatformUtils::fgMemoryManager;
}

void* ZOLSAX2ReaderMemory::allocate(XMLSize_t size)
{
    // Through operator new, like Xerces' own manager, so a replaced operator new sees it.
    void* p = nullptr;
    try {
        p = ::operator new(size);
    } catch (...) {
        throw xercesc::OutOfMemoryException();
    }
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
    ::operator delete(p);
}
