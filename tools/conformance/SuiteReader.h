#ifndef ZOLSAX2_SUITE_READER_H
#define ZOLSAX2_SUITE_READER_H

#include <xercesc/sax2/DefaultHandler.hpp>

#include <string>

// Reads the suites' own files (catalogues, schemas) with a plain reader: no validation, no
// external DTD subset, no schema loading. Keeps the Xerces platform up while it lives.
class SuiteReader {
public:
    SuiteReader();
    SuiteReader(const SuiteReader&) = delete;
    SuiteReader& operator=(const SuiteReader&) = delete;
    ~SuiteReader();

    // Parses the file at path into handler, which also takes the reader's errors; with
    // namespaces processed or not. What the reader throws passes out.
    void parse(const std::string& path, xercesc::DefaultHandler& handler, bool namespaces) const;
};

#endif
