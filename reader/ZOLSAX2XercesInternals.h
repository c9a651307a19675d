#ifndef ZOLSAX2XERCESINTERNALS_H
#define ZOLSAX2XERCESINTERNALS_H

// The one door to what Xerces-C++ does not promise to keep: its reader manager, the header
// its allocator puts before each object, and the text of its validity messages. Only
// reader/ includes this header, and every use of those internals goes through it, so that
// a Xerces release outside the range below stops the build here instead of failing at run
// time. See docs/architecture.md for what each use relies on.

#include <xercesc/util/XercesVersion.hpp>

#if !defined(_XERCES_VERSION) || _XERCES_VERSION < 30200 || _XERCES_VERSION >= 30300
#error "reader/ relies on internals of Xerces-C++ 3.2 (ReaderMgr, the allocation header, message texts); \
check them against this release (docs/architecture.md) before widening the range in ZOLSAX2XercesInternals.h"
#endif

#include <xercesc/internal/ReaderMgr.hpp>
#include <xercesc/internal/XMLReader.hpp>
#include <xercesc/util/PlatformUtils.hpp>

// Where Xerces' allocator put an object it created through XMemory's operator new.
class ZOLSAX2XercesInternals {
public:
    ZOLSAX2XercesInternals() = delete;

    // The block a memory manager handed out for object: XMemory's operator new stores the
    // manager in front of the object, in this many bytes.
    static const void* blockOf(const void* object) noexcept
    {
        return object == nullptr ? nullptr : static_cast<const char*>(object) - headerSize();
    }
    // The size of the block a memory manager hands out for one entity or document reader.
    static XMLSize_t readerBlockSize() noexcept { return headerSize() + sizeof(xercesc::XMLReader); }

private:
    static XMLSize_t headerSize() noexcept
    {
        return xercesc::XMLPlatformUtils::alignPointerForNewBlockAllocation(sizeof(xercesc::MemoryManager*));
    }
};

#endif
