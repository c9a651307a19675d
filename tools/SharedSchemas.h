#ifndef ZOLSAX2_TOOLS_SHAREDSCHEMAS_H
#define ZOLSAX2_TOOLS_SHAREDSCHEMAS_H

#include "Catalogs.h"
#include "DiagnosticLog.h"
#include "SchemaFile.h"

#include <ZOLSAX2SchemaSet.h>

#include <memory>
#include <vector>

class ZOLSAX2Validator;

namespace zolsax2 {

struct CommandLine;

// The schemas of one validate command, read and checked once for all its workers, whatever
// their number: a schema set loaded with the settings the workers' validators have.
class SharedSchemas {
public:
    // Loads schemas with line's settings, resolving through catalogs as the workers do;
    // true when they loaded cleanly and are shared. Otherwise every worker reads them itself.
    SharedSchemas(const CommandLine& line, const std::vector<std::unique_ptr<SchemaFile>>& schemas,
                  const Catalogs& catalogs);
    SharedSchemas(const SharedSchemas&) = delete;
    SharedSchemas& operator=(const SharedSchemas&) = delete;

    // True when the schemas are shared.
    bool isLoaded() const noexcept { return set.isLoaded(); }
    // Makes validator, configured as a worker's, validate with the shared schemas.
    void use(ZOLSAX2Validator& validator) const;

private:
    // Loading logs nothing; the hook's records of a refused resource stay here.
    DiagnosticLog log;
    Catalogs::Hook hook;
    ZOLSAX2SchemaSet set;
};

} // namespace zolsax2

#endif
