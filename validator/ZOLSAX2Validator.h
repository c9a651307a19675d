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

class ZOLSAX2EntityGuard;
class ZOLSAX2ErrorHandler;

// Validates XML files against an XML Schema named by target namespace and location.
//
// Every problem is logged through the ZSAX catalogue as it is found; validate() answers
// true when no error or fatal error was reported (warnings are logged and do not count).
// Problems never become exceptions: a failure of the reader is logged as
// XERCES_OUT_OF_MEMORY or XERCES_XML_EXCEPTION and the answer is false; after running out
// of memory the reader is replaced by a fresh one with the same configuration, schema
// location and secure setting, so the next validation works. Namespaces are processed,
// external DTDs are loaded, identity constraints (key, keyref, unique) are not checked.
// A validator is not copyable.
//
// By default the reader opens whatever the document names: its external DTD, external
// entities (local files, http URLs) and xsi:schemaLocation hints, and it expands entities
// without limit. A configured schema that cannot be loaded is only a warning (at 0:0),
// after which nothing is validated and the answer is true. Use setSecureProcessing(true)
// for files you do not trust.
class ZOLSAX2PARSER_API ZOLSAX2Validator {
public:
    // A validator that logs to log (required, must outlive the validator).
    // Throws ZSAX::XERCES_INITIALIZATION_ERROR.
    explicit ZOLSAX2Validator(ZOLLog* log);
    ZOLSAX2Validator(const ZOLSAX2Validator&) = delete;
    ZOLSAX2Validator& operator=(const ZOLSAX2Validator&) = delete;
    virtual ~ZOLSAX2Validator();

    // Validates later documents in targetNamespace against the schema at location (a path
    // or URL, UTF-8). Replaces the pair given by any earlier call. The reader receives
    // "targetNamespace location" as written: nothing is escaped, so a location containing
    // blanks must be given as a URL with %20, a relative location is resolved against each
    // validated document, and an empty namespace leaves the pair malformed (the reader
    // reports it when it validates).
    void addSchemaLocation(const ZOLString& targetNamespace, const ZOLString& location);
    // Parses and validates the file; true when no error or fatal error was reported.
    bool validate(const ZOLFile& file);
    // Hardens later validations for untrusted input (off by default). When on, the only
    // resources opened are the configured schema and the schema documents it includes,
    // imports or redefines; the document's external DTD, external entities and schema
    // hints are each logged as SAX_PARSE_ERROR with their position (e.g. "external DTD
    // refused (SYSTEM 'a.dtd')") and the answer is false. More than 1,000 entity expansions
    // are a fatal error. A configured schema that was not loaded makes the answer false,
    // with a record naming it. See docs/security.md.
    void setSecureProcessing(bool on);

private:
    // Rebuilds a discarded reader and brings its secure settings up to date.
    ZOLSAX2PARSER_LOCAL void prepareReader();
    // Drops a reader that can no longer parse.
    ZOLSAX2PARSER_LOCAL void discardReader();
    // True when the last parse asked for and loaded the configured schema.
    ZOLSAX2PARSER_LOCAL bool isTrustedSchemaLoaded();

    ZOLLog* log;
    xercesc::SAX2XMLReader* reader;
    ZOLSAX2ErrorHandler* errorHandler;
    bool secureProcessing;
    ZOLSAX2EntityGuard* entityGuard;
    bool secureInstalled;
};

#endif
