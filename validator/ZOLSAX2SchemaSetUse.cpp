#include "ZOLSAX2SchemaSetUse.h"

#include "ZOLSAX2ResourceResolver.h"
#include "ZOLSAX2SchemaSetExtensions.h"

#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZSAX.h>

namespace {

const char* onOff(bool on)
{
    return on ? "on" : "off";
}

} // namespace

void ZOLSAX2SchemaSetUse::configure(ZOLSAX2Validator& validator, const ZOLSAX2SchemaSet& set)
{
    const ZOLSAX2SchemaSet::Extensions& x = *set.extensions;
    validator.clearSchemas();
    for (const ZOLSAX2SchemaPairs::Pair& pair : x.pairs)
        validator.addSchema(pair.targetNamespace, pair.location);
    if (x.noNamespaceSet)
        validator.addNoNamespaceSchemaLocation(x.noNamespaceLocation);
}

xercesc::XMLGrammarPool* ZOLSAX2SchemaSetUse::sharedPool() const noexcept
{
    return current != nullptr && current->extensions->loaded ? current->extensions->grammars.getPool() : nullptr;
}

bool ZOLSAX2SchemaSetUse::accepts(ZOLLog& log, const Settings& settings, const ZOLString& path) const
{
    if (current == nullptr)
        return true;
    const ZOLSAX2SchemaSet::Extensions& x = *current->extensions;
    ZOLString why;
    if (settings.secure != x.secure)
        why = ZOLString("secure processing ") + onOff(x.secure);
    else if (settings.protection != x.protection)
        why = ZOLString("amplification protection ") + onOff(x.protection);
    else if (settings.fullChecking != x.fullChecking)
        why = ZOLString("full schema checking ") + onOff(x.fullChecking);
    else if (settings.resolver != nullptr && !settings.resolver->isFunction(x.resolver))
        why = x.resolver == nullptr ? ZOLString("no resolver") : ZOLString("another resolver");
    if (why.isEmpty())
        return true;
    ZSAX::SAX_PARSE_ERROR.logAt(log, ZOLLogLocation(path, 0, 0, ZOLLogEvent::LEVEL_ERROR), "0", "0",
                                ZOLString("schema set not used: it was loaded with ") + why);
    return false;
}
