#ifndef SCHEMACONFORMANCE_H
#define SCHEMACONFORMANCE_H

#include <ZOLSAX2Catalog.h>

#include <iosfwd>
#include <string>

// Runs the instance tests of the XML Schema test suite through ZOLSAX2Validator: those whose
// first schema document has a target namespace, with that namespace and document handed to
// addSchemaLocation. The answer must match the expected validity; results that do not are
// held against an expectations file. Each test runs in a child process with bounded memory
// and time, so one pathological schema cannot take the run down.
class SchemaConformance {
public:
    // suiteDir holds xsdtests/. Prints the figures and every change against expectedPath to
    // out; with update, rewrites that file instead. secure validates with secure processing.
    // Answers the process's exit status. With caching, the tests that share a namespace and
    // schema document run one after the other through one validator with schema caching on
    // (in one child process while none runs out of memory or time or crashes), and must give
    // the same results as without. With provisional as well, a schema that loads cleanly with
    // full constraint checking serves its tests through a validator without that checking.
    // With fromMemory (without caching), each test validates the instance from its file,
    // then from its bytes in memory and through a read function under the file's name; any
    // difference in the answer or the records (code, text, location data) is the outcome
    // "memory-differs".
    static int run(const std::string& suiteDir, const std::string& expectedPath, bool update, bool caching,
                   bool provisional, bool secure, std::ostream& out, bool fromMemory = false);
    // Makes every later validator resolve through catalog (null: none, the default).
    static void setCatalog(const ZOLSAX2Catalog* catalog);
    // Runs one test and prints its outcome and log.
    static int show(const std::string& suiteDir, const std::string& id, bool secure, std::ostream& out);
};

#endif
