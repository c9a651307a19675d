#include "ZOLSAX2Platform.h"

#include <xercesc/util/PlatformUtils.hpp>

#include <mutex>

namespace {

// A function-local static: ready before the first object of any other library's static
// initialisers can construct a parser, and never destroyed before the last one is gone.
std::mutex& platformLock()
{
    static std::mutex* lock = new std::mutex();
    return *lock;
}

} // namespace

void ZOLSAX2Platform::initialize()
{
    const std::lock_guard<std::mutex> guard(platformLock());
    xercesc::XMLPlatformUtils::Initialize();
}

void ZOLSAX2Platform::terminate() noexcept
{
    const std::lock_guard<std::mutex> guard(platformLock());
    xercesc::XMLPlatformUtils::Terminate();
}
