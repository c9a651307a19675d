#ifndef ZOLSAX2CATALOG_H
#define ZOLSAX2CATALOG_H

#include "ZOLSAX2ParserExport.h"

#include <ZOLLog.h>
#include <ZOLString.h>

#include <cstddef>

// --- Additions: catalogs and resolvers (opt-in; see docs/catalogs.md) ---------------------

// What a resolver is asked for: an external identifier (the external DTD, an external
// entity), matched against a catalog's system and public entries; or a URI (a schema
// document, a namespace), matched against its uri entries first.
enum ZOLSAX2ResourceKind { ZOLSAX2_RESOURCE_EXTERNAL_ID = 0, ZOLSAX2_RESOURCE_URI = 1 };

// A resolver's answer: where to read the resource, or its content itself. The strings are
// borrowed from the resolver until it is called again on the same thread.
struct ZOLSAX2Resolved {
    // A local path (absolute, or relative to the current directory) or a URL; null with content.
    const char* location;
    // The resource's bytes, or null when location is set.
    const char* content;
    // The number of bytes at content.
    std::size_t contentLength;
};

// An application's resolver: maps a resource, named by its public identifier and system
// identifier (either may be null; a URI request gives the URI as systemId) and the base
// the request was made from (null when unknown), to a place to read it from. Fills answer
// and returns true, or returns false to decline: the resource is then read as named.
// context is the pointer given with the resolver.
typedef bool (*ZOLSAX2Resolver)(void* context, int kind, const char* publicId, const char* systemId, const char* base,
                                ZOLSAX2Resolved* answer);

// An OASIS XML Catalogs 1.1 catalog: the entries of one or more catalog files, and the
// files they chain to through nextCatalog and delegate entries, read once, at construction.
//
// Catalog files are read from the local file system only (paths or file: URLs), with the
// library's own parser in secure mode: never from the network. A file that is missing,
// not well-formed or not a catalog is a warning in the log (SAX_PARSE_ERROR, with the
// reader's position or at 0:0) and contributes nothing; it never makes construction fail.
//
// A constructed catalog never changes: any number of threads may resolve through one
// catalog at once, and parsers and validators on several threads may share it.
class ZOLSAX2PARSER_API ZOLSAX2Catalog {
public:
    // The catalog files of the usual convention: xmlCatalogFiles, the value of the
    // environment variable XML_CATALOG_FILES (null when it is not set), else
    // "/etc/xml/catalog". The library never reads the environment itself.
    static ZOLString conventionalFiles(const char* xmlCatalogFiles);

    // Reads the catalog files named in fileList, separated by blanks (as XML_CATALOG_FILES
    // lists them), in order. Warnings go to log, which is used only during construction
    // (null: they are dropped).
    ZOLSAX2Catalog(const ZOLString& fileList, ZOLLog* log);
    // Reads the catalog files of files, an array of count paths or file: URLs, in order.
    ZOLSAX2Catalog(const ZOLString* files, std::size_t count, ZOLLog* log);
    ZOLSAX2Catalog(const ZOLSAX2Catalog&) = delete;
    ZOLSAX2Catalog& operator=(const ZOLSAX2Catalog&) = delete;
    virtual ~ZOLSAX2Catalog();

    // The URI the external identifier maps to, or empty when no entry maps it. Either
    // identifier may be empty; system entries come before public ones, and a public entry
    // under prefer="system" answers only when no system identifier is given.
    ZOLString resolveExternal(const ZOLString& publicId, const ZOLString& systemId) const;
    // The URI that uri maps to through uri, rewriteURI, uriSuffix and delegateURI entries,
    // or empty. A urn:publicid: URN is resolved as that public identifier.
    ZOLString resolveURI(const ZOLString& uri) const;
    // The number of catalog files read successfully, the chained ones included.
    std::size_t fileCount() const;

    // The catalog as a ZOLSAX2Resolver: context is a const ZOLSAX2Catalog*. An external
    // identifier is resolved by resolveExternal (a relative systemId also after making it
    // absolute against base), a URI by resolveURI and then as a system identifier. A file:
    // URL in the answer is given as a local path.
    static bool resolve(void* context, int kind, const char* publicId, const char* systemId, const char* base,
                        ZOLSAX2Resolved* answer);
    // The local path that a file: URL (or a plain path) names, percent-escapes decoded;
    // empty for other URLs.
    static ZOLString localPath(const ZOLString& uri);

private:
    // The entries of every file read; defined with the catalog's code.
    struct Files;

    // Reads the files and everything they chain to.
    ZOLSAX2PARSER_LOCAL void load(const ZOLString* files, std::size_t count, ZOLLog* log);

    // Owned; created by the constructors, deleted by the destructor.
    Files* files;
};

#endif
