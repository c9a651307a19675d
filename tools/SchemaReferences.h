#ifndef ZOLSAX2_TOOLS_SCHEMAREFERENCES_H
#define ZOLSAX2_TOOLS_SCHEMAREFERENCES_H

#include "DiagnosticLog.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zolsax2 {

// Where the local schemas of a run name their parts. The reader reports a schema document
// it cannot open (a missing include, import or redefine) without a position; this places
// such a record at the element that names the document, in the schema that holds it.
class SchemaReferences {
public:
    // Notes the schema at path (an absolute local path), read as secure says when a record
    // first needs its references: a run whose schemas all open reads them only to validate.
    void add(const std::string& path, bool secure);
    // Gives each record without a position that reports a document named by one of these
    // elements the file, line and column of that element.
    void place(std::vector<DiagnosticLog::Record>& records);

private:
    // Reads the xs:include, xs:import and xs:redefine elements of the schema at path and, in
    // turn, of the local documents they name.
    void read(const std::string& path, bool secure);

    struct Reference {
        std::string file;
        long line = 0;
        long column = 0;
    };
    // The absolute paths of the documents named, and where.
    std::map<std::string, Reference> references;
    std::vector<std::string> done;
    // The schemas added and not read yet.
    std::vector<std::pair<std::string, bool>> pending;
};

} // namespace zolsax2

#endif
