#include "SharedSchemas.h"

#include "CommandLine.h"

#include <ZOLSAX2Validator.h>

namespace zolsax2 {

SharedSchemas::SharedSchemas(const CommandLine& line, const std::vector<std::unique_ptr<SchemaFile>>& schemas,
                             const Catalogs& catalogs)
    : hook(catalogs, log)
{
    // The settings of the workers' validators (ReaderLimits, the catalogs' hook), with the
    // full check: the one load is the one check.
    hook.install(set);
    set.setSecureProcessing(line.secure);
    set.setAmplificationProtection(!line.huge);
    for (const auto& schema : schemas) {
        if (schema->targetNamespace().empty())
            set.addNoNamespaceSchemaLocation(schema->location().c_str());
        else
            set.addSchema(schema->targetNamespace().c_str(), schema->location().c_str());
    }
    set.load();
}

void SharedSchemas::use(ZOLSAX2Validator& validator) const
{
    if (set.isLoaded()) {
        validator.setSchemaFullChecking(true);
        validator.setSchemaSet(&set);
    }
}

} // namespace zolsax2
