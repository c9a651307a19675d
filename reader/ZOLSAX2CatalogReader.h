#ifndef ZOLSAX2CATALOGREADER_H
#define ZOLSAX2CATALOGREADER_H

#include <memory>
#include <string>

class ZOLLog;
class ZOLSAX2CatalogFile;

// Reads catalog files into their entries with one ZOLSAX2Parser in secure mode, from the
// local file system only; making a parser per file would cost more than reading Debian's
// catalogs. Every problem is a warning in the log: SAX_PARSE_ERROR with the reader's
// position, or at 0:0. Internal to the library.
class ZOLSAX2CatalogReader {
public:
    // A reader that warns through log, which must outlive it.
    explicit ZOLSAX2CatalogReader(ZOLLog& log);
    ZOLSAX2CatalogReader(const ZOLSAX2CatalogReader&) = delete;
    ZOLSAX2CatalogReader& operator=(const ZOLSAX2CatalogReader&) = delete;
    ~ZOLSAX2CatalogReader();

    // Reads file's catalog. False, with a warning, when it cannot be read, is not
    // well-formed or is not a catalog; the file then has no entries.
    bool read(ZOLSAX2CatalogFile& file);

private:
    // The parser, its callbacks' state and its log.
    struct State;
    std::unique_ptr<State> state;
};

#endif
