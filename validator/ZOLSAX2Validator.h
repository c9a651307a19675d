#ifndef ZOLSAX2VALIDATOR_H
#define ZOLSAX2VALIDATOR_H

#include "ZOLSAX2ParserExport.h"

#include <ZOLFile.h>
#include <ZOLLog.h>
#include <ZOLString.h>

#include <xercesc/util/XercesDefs.hpp>

XERCES_CPP_NAMESPACE_BEGIN
class SAX2XMLReader;
XERCES_CPP_NAMESPACE_END

class ZOLSAX2ErrorHandler;

// Validates XML files against an XML Schema named by target namespace and location.
//
// Every problem is logged through the ZSAX catalogue as it is found; validate() answers
// true when no error or fatal error was reported (warnings are logged and do not count).
// Problems never become exceptions: a failure of the reader is logged as
// XERCES_OUT_OF_MEMORY or XERCES_XML_EXCEPTION and the answer is false. Namespaces are
// processed, external DTDs are loaded, identity constraints (key, keyref, unique) are
// not checked. A validator is not copyable.
class ZOLSAX2PARSER_API ZOLSAX2Validator {
public:
    // A validator that logs to log (required, must outlive the validator).
    // Throws ZSAX::XERCES_INITIALIZATION_ERROR.
    explicit ZOLSAX2Validator(ZOLLog* log);
    ZOLSAX2Validator(const ZOLSAX2Validator&) = delete;
    ZOLSAX2Validator& operator=(const ZOLSAX2Validator&) = delete;
    virtual ~ZOLSAX2Validator();

    // Validates later documents in targetNamespace against the schema at location (a path
    // or URL, UTF-8). Replaces the pair given by any earlier call; an empty namespace is
    // passed on as it is.
    void addSchemaLocation(const ZOLString& targetNamespace, const ZOLString& location);
    // Parses and validates the file; true when no error or fatal error was reported.
    bool validate(const ZOLFile& file);
    // Hardens later validations for untrusted input (off by default); see docs/security.md.
    void setSecureProcessing(bool on);

private:
    ZOLLog* log;
    xercesc::SAX2XMLReader* reader;
    ZOLSAX2ErrorHandler* errorHandler;
    bool secureProcessing;
};

#endif
