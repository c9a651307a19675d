#ifndef ZOLSAX2PLATFORMSCOPE_H
#define ZOLSAX2PLATFORMSCOPE_H

#include "ZOLSAX2ParserExport.h"

// --- Addition: for hosts that also use Xerces-C++ themselves ---

// Keeps the XML library (Xerces-C++) initialised for as long as it lives, through the same
// process-wide lock and count as every parser and validator.
//
// Xerces counts XMLPlatformUtils::Initialize and Terminate calls but does not guard the count
// or the global state they build and tear down. A host that calls them itself while parsers
// or validators may be created or destroyed on another thread races with this library there,
// and can crash the process. Such a host uses this class (or its two static functions) in
// place of its own calls; between the two it may use Xerces freely, on any thread. A host that
// calls Initialize once before any parser or validator exists, and Terminate once after the
// last one is gone, needs nothing of this. See docs/additions.md.
class ZOLSAX2PARSER_API ZOLSAX2PlatformScope {
public:
    // Initialises the XML library. Throws ZSAX::XERCES_INITIALIZATION_ERROR.
    ZOLSAX2PlatformScope();
    ZOLSAX2PlatformScope(const ZOLSAX2PlatformScope&) = delete;
    ZOLSAX2PlatformScope& operator=(const ZOLSAX2PlatformScope&) = delete;
    // Terminates the XML library once (a no-op for Xerces while other users remain).
    ~ZOLSAX2PlatformScope();

    // XMLPlatformUtils::Initialize() under the library's lock. Throws
    // ZSAX::XERCES_INITIALIZATION_ERROR; each successful call needs one terminate().
    static void initialize();
    // XMLPlatformUtils::Terminate() under the library's lock.
    static void terminate() noexcept;
};

#endif
