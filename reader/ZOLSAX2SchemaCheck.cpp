#include "ZOLSAX2SchemaCheck.h"

#include "ZOLSAX2DocumentElement.h"
#include "ZOLSAX2EntityGuard.h"
#include "ZOLSAX2Locations.h"
#include "ZOLSAX2LongToString.h"

#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZSAX.h>

#include <xercesc/framework/XMLSchemaDescription.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/validators/common/Grammar.hpp>

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
        if (!loaded(reader, pair.targetNamespace.wchars(), pair.location, context) || (context.secure && !arrived))
            return fail(context,
                        "schema '" + pair.location + "' for namespace '" + pair.targetNamespace +
                            "' could not be loaded",
                        &pair.location);
    }
    const bool noNamespaceArrived = context.cached || guard.isNoNamespaceSchemaRequested();
    if (schemas.noNamespace &&
        (!loaded(reader, u"", schemas.noNamespaceLocation, context) || (context.secure && !noNamespaceArrived)))
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

bool ZOLSAX2SchemaCheck::loaded(xercesc::SAX2XMLReader* reader, const XMLCh* targetNamespace, const ZOLString& location,
                                const Context& context) const
{
    xercesc::Grammar* grammar = reader->getGrammar(targetNamespace);
    if (grammar == nullptr)
        return false;
    // Only followed hints can bring in a grammar for a configured namespace: a secure reader
    // refuses them, and a cached grammar is the configured schema's own.
    if (!context.followHints || context.secure || context.cached)
        return true;
    // The reader keeps the system identifier it read a schema from as the grammar's location
    // hint; the configured schema is read first, so a hint loads only when it did not.
    const auto* description = dynamic_cast<const xercesc::XMLSchemaDescription*>(grammar->getGrammarDescription());
    if (description == nullptr || description->getLocationHints() == nullptr)
        return false;
    ZOLString expected;
    try {
        expected = ZOLSAX2Locations::resolve(ZOLSAX2Locations::documentBase(context.path), location);
    } catch (const xercesc::XMLException&) {
        return false;
    }
    const xercesc::RefArrayVectorOf<XMLCh>& hints = *description->getLocationHints();
    for (XMLSize_t i = 0; i < hints.size(); ++i)
        if (expected == ZOLString(hints.elementAt(i)))
            return true;
    return false;
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
