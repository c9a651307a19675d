#ifndef XMLCATALOGUE_H
#define XMLCATALOGUE_H

#include <map>
#include <string>
#include <vector>

// One TEST entry of the XML conformance catalogue, with its files as absolute paths.
struct XmlTest {
    std::string id;
    std::string type;                              // valid, invalid, not-wf or error
    std::string path;                              // the document
    std::string output;                            // its canonical form, or empty
    std::map<std::string, std::string> attributes; // every attribute as written
};

// Reads the XML conformance catalogue (xmlconf.xml and the per-collection catalogues it
// includes as external entities). Each TEST's URI is resolved against the entity that holds
// it, as XML Base has it, so a wrong xml:base in the master catalogue, outside the entity,
// does not matter.
class XmlCatalogue {
public:
    // The tests of the catalogue at path, in catalogue order. Throws std::runtime_error.
    static std::vector<XmlTest> read(const std::string& path);
    // ref resolved against base, both paths or path-like URIs.
    static std::string resolve(const std::string& base, const std::string& ref);
};

#endif
