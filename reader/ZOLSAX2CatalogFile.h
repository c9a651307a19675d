#ifndef ZOLSAX2CATALOGFILE_H
#define ZOLSAX2CATALOGFILE_H

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// The entries of one OASIS catalog file, in document order, with the groups' prefer and
// xml:base settings applied: identifiers normalised, uri, rewritePrefix and catalog values
// made absolute against their base. Read with the library's own parser, from the local file
// system only by ZOLSAX2CatalogReader. Internal to the library.
class ZOLSAX2CatalogFile {
public:
    // One entry.
    struct Entry {
        enum Type {
            SYSTEM,
            PUBLIC,
            URI,
            REWRITE_SYSTEM,
            REWRITE_URI,
            SYSTEM_SUFFIX,
            URI_SUFFIX,
            DELEGATE_PUBLIC,
            DELEGATE_SYSTEM,
            DELEGATE_URI,
            NEXT_CATALOG
        };
        Type type;
        // The identifier, start string or suffix the entry matches; empty for nextCatalog.
        std::string match;
        // The absolute uri, the rewrite prefix, or the catalog file it names.
        std::string target;
        // The prefer setting in force: true for "public".
        bool preferPublic;
        // The catalog that a delegate or nextCatalog entry names, as an index that the owner
        // of the files assigns; NO_LINK when that catalog could not be read.
        std::size_t link;
    };
    static constexpr std::size_t NO_LINK = static_cast<std::size_t>(-1);

    // A file read from uri (a path or a file: URL), with no entries yet.
    explicit ZOLSAX2CatalogFile(std::string uri) : uri(std::move(uri)) {}

    // The location the file is read from, as given.
    const std::string& getUri() const noexcept { return uri; }
    // Its entries, in document order.
    std::vector<Entry>& getEntries() noexcept { return entries; }
    const std::vector<Entry>& getEntries() const noexcept { return entries; }

private:
    std::string uri;
    std::vector<Entry> entries;
};

#endif
