#include "ZOLSAX2PlatformScope.h"

#include "ZOLSAX2Platform.h"

#include <ZSAX.h>

#include <xercesc/util/XMLException.hpp>

ZOLSAX2PlatformScope::ZOLSAX2PlatformScope()
{
    initialize();
}

ZOLSAX2PlatformScope::~ZOLSAX2PlatformScope()
{
    terminate();
}

void ZOLSAX2PlatformScope::initialize()
{
    try {
        ZOLSAX2Platform::initialize();
    } catch (const xercesc::XMLException& e) {
        ZSAX::XERCES_INITIALIZATION_ERROR.throwException(ZOLString(e.getMessage()));
    }
}

void ZOLSAX2PlatformScope::terminate() noexcept
{
    ZOLSAX2Platform::terminate();
}
