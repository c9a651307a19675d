#include "ZOLSAX2ErrorHandler.h"

#include "ZOLSAX2ContentHandler.h"

#include <ZSAX.h>

#include <xercesc/sax/SAXParseException.hpp>

ZOLSAX2ErrorHandler::ZOLSAX2ErrorHandler(ZOLLog* log) : errorSeen(false), warningSeen(false), log(log) {}

ZOLSAX2ErrorHandler::~ZOLSAX2ErrorHandler() = default;

void ZOLSAX2ErrorHandler::logParseError(const xercesc::SAXParseException& exc)
{
    ZSAX::SAX_PARSE_ERROR.log(*log, longToString(static_cast<long>(exc.getLineNumber())),
                              longToString(static_cast<long>(exc.getColumnNumber())), ZOLString(exc.getMessage()));
}

void ZOLSAX2ErrorHandler::warning(const xercesc::SAXParseException& exc)
{
    logParseError(exc);
    warningSeen = true;
}

void ZOLSAX2ErrorHandler::error(const xercesc::SAXParseException& exc)
{
    logParseError(exc);
    errorSeen = true;
}

void ZOLSAX2ErrorHandler::fatalError(const xercesc::SAXParseException& exc)
{
    const ZOLString line = longToString(static_cast<long>(exc.getLineNumber()));
    const ZOLString column = longToString(static_cast<long>(exc.getColumnNumber()));
    // A fatal error at the very first character means the input is not XML at all.
    if (line == "1" && column == "1")
        ZSAX::XML_UTF_DATAFORMAT_ERROR.log(*log, line, column);
    else
        ZSAX::SAX_PARSE_ERROR.log(*log, line, column, ZOLString(exc.getMessage()));
    errorSeen = true;
}

void ZOLSAX2ErrorHandler::resetErrors()
{
    errorSeen = false;
}
