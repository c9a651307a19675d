#ifndef ZOLSAX2_TOOLS_SCHEMAFILE_H
#define ZOLSAX2_TOOLS_SCHEMAFILE_H

#include "DiagnosticLog.h"
#include "SourceNames.h"

#include <memory>
#include <string>

namespace zolsax2 {

class InputFile;

// One schema named by validate's --schema, looked at once before any input is validated,
// so that a schema that cannot serve is reported once, against its own name, instead of
// failing every input with the same records. A local schema must be readable (else the
// system's reason), not empty, well-formed up to its document element, and that element
// must be xs:schema for the target namespace given (none for an empty one). Only that much
// is read: the rest is the validator's, whose records show deeper problems (a malformed
// tag further down, a type that is not defined, an include that fails). A URL is left to
// the validator.
class SchemaFile {
public:
    // The schema given as location for targetNamespace ("" for a schema without one).
    SchemaFile(std::string given, std::string targetNamespace);
    SchemaFile(const SchemaFile&) = delete;
    SchemaFile& operator=(const SchemaFile&) = delete;
    ~SchemaFile();

    // Opens and reads a local schema, with secure processing when secure; false when it
    // cannot serve, with the reasons in problems().
    bool check(bool secure);
    // The records that say why the schema cannot serve.
    const DiagnosticLog& problems() const noexcept { return log; }
    // The target namespace as given.
    const std::string& targetNamespace() const noexcept { return expectedNamespace; }
    // The location to give the validator: a URL as it is, a local path made absolute (the
    // reader would take it from each document's folder) and written as a file: URL when
    // it has a blank, which the reader's blank-separated list would split on.
    const std::string& location() const noexcept { return libraryLocation; }
    // Shows the schema under the name given to --schema in names.
    void addNames(SourceNames& names) const;
    // The names of the schema alone, for printing problems().
    SourceNames names() const;

private:
    std::string given;
    std::string expectedNamespace;
    std::unique_ptr<InputFile> file;
    std::string libraryLocation;
    DiagnosticLog log;
};

} // namespace zolsax2

#endif
