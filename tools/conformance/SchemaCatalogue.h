#ifndef SCHEMACATALOGUE_H
#define SCHEMACATALOGUE_H

#include <string>
#include <vector>

// One instance test of the XML Schema test suite, with its files as absolute paths.
struct SchemaTest {
    std::string id;         // test set / test group / instance test
    std::string collection; // the metadata directory: msMeta, sunMeta, boeingMeta
    std::string instance;
    std::vector<std::string> schemas; // the group's schema documents, first one first
    std::string expected;             // valid, invalid or indeterminate; XSD 1.0's answer where they differ
    std::string skipReason;           // set when the expected answer rests on XSD 1.1 or a Unicode version
};

// Reads the XML Schema test suite: the test sets that suite.xml lists and that are present.
class SchemaCatalogue {
public:
    // The instance tests of the suite in suiteDir (the xsdtests folder). Throws std::runtime_error.
    static std::vector<SchemaTest> read(const std::string& suiteDir);
};

#endif
