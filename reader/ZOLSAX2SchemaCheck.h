#ifndef ZOLSAX2SCHEMACHECK_H
#define ZOLSAX2SCHEMACHECK_H

#include "ZOLSAX2SchemaCache.h"

#include <ZOLString.h>

#include <xercesc/util/XercesDefs.hpp>

XERCES_CPP_NAMESPACE_BEGIN
class SAX2XMLReader;
XERCES_CPP_NAMESPACE_END

class ZOLLog;
class ZOLSAX2DocumentElement;
class ZOLSAX2EntityGuard;

// The validator's checks after a document, for the strict and the secure answers: a schema
// is configured, every configured schema was loaded for the document (hints and other
// sources do not count), and the document element is in a namespace a configured schema is
// for. Each failure is logged as SAX_PARSE_ERROR. Internal to the library.
class ZOLSAX2SchemaCheck {
public:
    // What the validator asked for and how the last document went.
    struct Context {
        bool strict = false;
        // The document's own schema hints were followed.
        bool followHints = false;
        bool secure = false;
        // The cache held the configured schemas for the document.
        bool cached = false;
        // The document's path, as validate() received it.
        ZOLString path;
    };

    // Logs to log; reads the secure reader's requests from guard and the document element
    // from root.
    ZOLSAX2SchemaCheck(ZOLLog& log, const ZOLSAX2EntityGuard& guard, const ZOLSAX2DocumentElement& root)
        : log(log), guard(guard), root(root)
    {}
    ZOLSAX2SchemaCheck(const ZOLSAX2SchemaCheck&) = delete;
    ZOLSAX2SchemaCheck& operator=(const ZOLSAX2SchemaCheck&) = delete;

    // False, with a record, when a check fails for the document reader just parsed.
    bool check(xercesc::SAX2XMLReader* reader, const ZOLSAX2SchemaCache::Schemas& schemas,
               const Context& context) const;

private:
    // True when reader holds a grammar for targetNamespace and, if the document's hints could
    // have brought in another, it was read from location as the document at path resolves it.
    bool loaded(xercesc::SAX2XMLReader* reader, const XMLCh* targetNamespace, const ZOLString& location,
                const Context& context) const;
    // Logs why at the document element when there was one, else at the reader's request for
    // the schema (secure mode), else nowhere; at the schema's own location data when given.
    bool fail(const Context& context, const ZOLString& why, const ZOLString* schema = nullptr) const;

    ZOLLog& log;
    const ZOLSAX2EntityGuard& guard;
    const ZOLSAX2DocumentElement& root;
};

#endif
