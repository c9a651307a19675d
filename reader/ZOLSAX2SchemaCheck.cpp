#include "ZOLSAX2SchemaCheck.h"

#include "ZOLSAX2DocumentElement.h"
#include "ZOLSAX2EntityGuard.h"
#include "ZOLSAX2LongToString.h"

#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZSAX.h>

#include <xercesc/sax2/SAX2XMLReader.hpp>

bool ZOLSAX2SchemaCheck::check(xercesc::SAX2XMLReader* reader, const ZOLSAX2SchemaCache::Schemas& schemas,
                               const Context& context) const
{
    const bool pairs = !schemas.pairs.isEmpty();
    if (!context.strict && !(context.secure && (pairs || schemas.noNamespace)))
        return true;
    if (context.strict && !pairs && !schemas.noNamespace)
        return fail(context, "no schema is configured, so nothing was validated");
    // The reader only warns when a configured schema cannot be loaded and then checks
    // nothing. In secure mode it must also have come through the guard.
    for (const ZOLSAX2SchemaPairs::Pair& pair : schemas.pairs) {
        const bool arrived = context.cached || guard.isTrustedSchemaRequested(pair.targetNamespace);
        if (reader->getGrammar(pair.targetNamespace.wchars()) == nullptr || (context.secure && !arrived))
            return fail(context,
                        "schema '" + pair.location + "' for namespace '" + pair.targetNamespace +
                            "' could not be loaded",
                        &pair.location);
    }
    const bool noNamespaceArrived = context.cached || guard.isNoNamespaceSchemaRequested();
    if (schemas.noNamespace && (reader->getGrammar(u"") == nullptr || (context.secure && !noNamespaceArrived)))
        return fail(context,
                    "schema '" + schemas.noNamespaceLocation + "' without target namespace could not be loaded",
                    &schemas.noNamespaceLocation);
    if (!context.strict || !root.isSeen())
        return true;
    const ZOLString& rootNamespace = root.getNamespace();
    const bool covered = rootNamespace.isEmpty() ? schemas.noNamespace : schemas.pairs.covers(rootNamespace);
    if (covered)
        return true;
    if (rootNamespace.isEmpty())
        return fail(context, "document element '" + root.getName() +
                                 "' has no namespace, and no schema without target namespace is configured");
    return fail(context, "document element '" + root.getName() + "' is in namespace '" + rootNamespace +
                             "', which no configured schema is for");
}

bool ZOLSAX2SchemaCheck::fail(const Context& context, const ZOLString& why, const ZOLString* schema) const
{
    const bool atRoot = context.strict && root.isSeen();
    const ZOLString line = atRoot ? longToString(root.getLine()) : guard.getRequestLine();
    const ZOLString column = atRoot ? longToString(root.getColumn()) : guard.getRequestColumn();
    // A schema that was not loaded is a problem of the schema: its location data names it.
    const ZOLLogLocation where =
        schema != nullptr ? ZOLLogLocation(*schema, 0, 0, ZOLLogEvent::LEVEL_ERROR)
                          : ZOLLogLocation(atRoot ? root.getSystemId() : ZOLString(), atRoot ? root.getLine() : 0,
                                           atRoot ? root.getColumn() : 0, ZOLLogEvent::LEVEL_ERROR);
    ZSAX::SAX_PARSE_ERROR.logAt(log, where, line, column, why);
    return false;
}
