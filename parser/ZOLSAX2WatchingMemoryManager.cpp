#include "ZOLSAX2WatchingMemoryManager.h"

#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <new>

ZOLSAX2WatchingMemoryManager::ZOLSAX2WatchingMemoryManager() : watched(nullptr) {}

ZOLSAX2WatchingMemoryManager::~ZOLSAX2WatchingMemoryManager() = default;

xercesc::MemoryManager* ZOLSAX2WatchingMemoryManager::getExceptionMemoryManager()
{
    // Exceptions may outlive the reader whose memory this is.
    return xercesc::XMLPlatformUtils::fgMemoryManager;
}

void* ZOLSAX2WatchingMemoryManager::allocate(XMLSize_t size)
{
    // As Xerces' default manager does.
    try {
        return ::operator new(size);
    } catch (const std::bad_alloc&) {
        throw xercesc::OutOfMemoryException();
    }
}

void ZOLSAX2WatchingMemoryManager::deallocate(void* p)
{
    if (p == watched)
        watched = nullptr;
    ::operator delete(p);
}

void ZOLSAX2WatchingMemoryManager::watch(const void* object) noexcept
{
    // XMemory's operator new puts the manager in front of each object, in this many bytes.
    const XMLSize_t header = xercesc::XMLPlatformUtils::alignPointerForNewBlockAllocation(sizeof(MemoryManager*));
    watched = object == nullptr ? nullptr : static_cast<const char*>(object) - header;
}
