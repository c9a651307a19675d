#include "ZOLSAX2ErrorHandler.h"

#include "ZOLSAX2BadByteLocator.h"
#include "ZOLSAX2ContentHandler.h"
#include "ZOLSAX2LongToString.h"
#include "ZOLSAX2ResourceResolver.h"

#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZSAX.h>

#include <xercesc/sax/SAXParseException.hpp>

ZOLSAX2ErrorHandler::ZOLSAX2ErrorHandler(ZOLLog* log) : errorSeen(false), warningSeen(false), log(log) {}

ZOLSAX2ErrorHandler::~ZOLSAX2ErrorHandler() = default;

namespace {

// The entity, line and column of the problem and how the reader classed it; the records
// carry it as optional data that a log may read or ignore.
ZOLLogLocation locationOf(const xercesc::SAXParseException& exc, int reportedLevel,
                          const ZOLSAX2ResourceResolver* names)
{
    const XMLCh* systemId = exc.getSystemId();
    ZOLString entity = systemId == nullptr ? ZOLString() : ZOLString(systemId);
    if (names != nullptr)
        entity = names->displayName(entity);
    return ZOLLogLocation(entity, static_cast<long>(exc.getLineNumber()), static_cast<long>(exc.getColumnNumber()),
                          reportedLevel);
}

} // namespace

void ZOLSAX2ErrorHandler::logParseError(const xercesc::SAXParseException& exc, int reportedLevel)
{
    ZSAX::SAX_PARSE_ERROR.logAt(*log, locationOf(exc, reportedLevel, names),
                                longToString(static_cast<long>(exc.getLineNumber())),
                                longToString(static_cast<long>(exc.getColumnNumber())), ZOLString(exc.getMessage()));
}

void ZOLSAX2ErrorHandler::warning(const xercesc::SAXParseException& exc)
{
    logParseError(exc, ZOLLogEvent::LEVEL_WARNING);
    warningSeen = true;
}

void ZOLSAX2ErrorHandler::error(const xercesc::SAXParseException& exc)
{
    logParseError(exc, ZOLLogEvent::LEVEL_ERROR);
    errorSeen = true;
}

void ZOLSAX2ErrorHandler::fatalError(const xercesc::SAXParseException& exc)
{
    if (badByteLocator != nullptr && badByteLocator->relocate(exc, *log)) {
        errorSeen = true;
        fatalSeen = true;
        return;
    }
    const ZOLString line = longToString(static_cast<long>(exc.getLineNumber()));
    const ZOLString column = longToString(static_cast<long>(exc.getColumnNumber()));
    // A fatal error at the very first character means the input is not XML at all.
    if (line == "1" && column == "1")
        ZSAX::XML_UTF_DATAFORMAT_ERROR.logAt(*log, locationOf(exc, ZOLLogEvent::LEVEL_FATAL, names), line, column);
    else
        ZSAX::SAX_PARSE_ERROR.logAt(*log, locationOf(exc, ZOLLogEvent::LEVEL_FATAL, names), line, column,
                                    ZOLString(exc.getMessage()));
    errorSeen = true;
    fatalSeen = true;
}

void ZOLSAX2ErrorHandler::resetErrors()
{
    errorSeen = false;
    fatalSeen = false;
}
