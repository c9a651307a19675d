#ifndef ZOLSAX2PLATFORM_H
#define ZOLSAX2PLATFORM_H

// The XML library's process-wide initialisation and termination, serialised.
//
// Xerces counts Initialize and Terminate calls but does not guard the count or the global
// state they build and tear down, so parsers and validators made and destroyed on several
// threads at once would race there. Every object of this library goes through these two
// calls, which hold one process-wide lock around the library's own. An uncontended lock
// is all a single-threaded caller pays. Internal to the library.
class ZOLSAX2Platform {
public:
    ZOLSAX2Platform() = delete;

    // XMLPlatformUtils::Initialize() under the lock; its XMLException passes through.
    static void initialize();
    // XMLPlatformUtils::Terminate() under the lock.
    static void terminate() noexcept;
};

#endif
