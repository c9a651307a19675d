#include "ZOLSAX2WatchingMemoryManager.h"

#include "ZOLSAX2XercesInternals.h"

#include <xercesc/util/PlatformUtils.hpp>

ZOLSAX2WatchingMemoryManager::ZOLSAX2WatchingMemoryManager(xercesc::MemoryManager* next) : next(next), watched(nullptr)
{}

ZOLSAX2WatchingMemoryManager::~ZOLSAX2WatchingMemoryManager() = default;

xercesc::MemoryManager* ZOLSAX2WatchingMemoryManager::getExceptionMemoryManager()
{
    // Exceptions may outlive the reader whose memory this is.
    return xercesc::XMLPlatformUtils::fgMemoryManager;
}

void* ZOLSAX2WatchingMemoryManager::allocate(XMLSize_t size)
{
    return next->allocate(size);
}

void ZOLSAX2WatchingMemoryManager::deallocate(void* p)
{
    if (p == watched)
        watched = nullptr;
    next->deallocate(p);
}

void ZOLSAX2WatchingMemoryManager::watch(const void* object) noexcept
{
    watched = ZOLSAX2XercesInternals::blockOf(object);
}
