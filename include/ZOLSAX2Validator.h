#ifndef ZOLSAX2VALIDATOR_H
#define ZOLSAX2VALIDATOR_H

#include "ZOLSAX2Catalog.h"
#include "ZOLSAX2ParserExport.h"

#include <ZOLFile.h>
#include <ZOLLog.h>
#include <ZOLString.h>

#include <xercesc/util/XercesDefs.hpp>

XERCES_CPP_NAMESPACE_BEGIN
class SAX2XMLReader;
XERCES_CPP_NAMESPACE_END

class ZOLSAX2DocumentSource;
class ZOLSAX2ErrorHandler;
class ZOLSAX2SchemaSet;

// Reads the next bytes of a document into buffer, at most size of them (an addition; see
// ZOLSAX2Validator::validateStream). Answers how many it read, 0 at the end of the
// document, or -1 when it cannot read.
typedef long (*ZOLSAX2ReadFunction)(void* context, char* buffer, unsigned long size);

// Validates XML files against an XML Schema named by target namespace and location.
//
// Every problem is logged through the ZSAX catalogue as it is found; validate() answers
// true when no error or fatal error was reported (warnings are logged and do not count).
// Problems never become exceptions: a failure of the reader is logged as
// XERCES_OUT_OF_MEMORY or XERCES_XML_EXCEPTION and the answer is false. Three exceptions
// reach the caller unchanged: any exception the log throws, a SAX exception of the reader,
// and the DOMException the reader's schema loader throws for a schema document it cannot
// read (in secure mode that one is logged as XERCES_XML_EXCEPTION and the answer is false
// instead). After running out of memory, or such a DOMException, the reader is replaced
// by a fresh one with the same configuration, schema locations and settings, so the next
// validation works. Namespaces are processed, external DTDs are loaded, identity
// constraints (key, keyref, unique) are not checked.
//
// By default the reader opens whatever the document names: its external DTD, external
// entities (local files, http URLs) and xsi:schemaLocation hints, and it expands entities
// without limit. Validation is dynamic: a document for which no grammar was loaded at all
// (no configured schema could be loaded and the document names none) is not validated,
// and a configured schema that cannot be loaded is only a warning (at 0:0); the answer is
// then true. Once some grammar is loaded, every element is validated: one that no loaded
// schema declares fails ("no declaration found for element"). For an answer that always
// means "checked against this schema", use setStrictValidation(true); for files you do
// not trust, setSecureProcessing(true).
//
// Threads: a validator may be created, used and destroyed on any thread, and any number
// of parsers and validators may live on different threads at once, with or without one on
// the main thread; the library serialises the XML library's process-wide initialisation
// and termination. One validator is used by one thread at a time; validators share nothing
// (each caches its own grammar), so use one per thread. A validator is not copyable.
class ZOLSAX2PARSER_API ZOLSAX2Validator {
public:
    // A validator that logs to log (required, must outlive the validator).
    // Throws ZSAX::XERCES_INITIALIZATION_ERROR.
    explicit ZOLSAX2Validator(ZOLLog* log);
    ZOLSAX2Validator(const ZOLSAX2Validator&) = delete;
    ZOLSAX2Validator& operator=(const ZOLSAX2Validator&) = delete;
    virtual ~ZOLSAX2Validator();

    // Validates later documents in targetNamespace against the schema at location (a path
    // or URL, UTF-8). Replaces the pair given by any earlier call (and every pair of
    // addSchema). The reader receives "targetNamespace location" as written: nothing is
    // escaped, so a location containing blanks must be given as a URL with %20, a relative
    // location is resolved against each validated document, and an empty namespace leaves
    // the pair malformed (the reader reports it when it validates; see
    // addNoNamespaceSchemaLocation).
    void addSchemaLocation(const ZOLString& targetNamespace, const ZOLString& location);
    // Parses and validates the file; true when no error or fatal error was reported.
    bool validate(const ZOLFile& file);

    // --- Additions (opt-in: a validator that never calls these behaves as described above) ---

    // Validates later documents' unqualified elements against the schema without a target
    // namespace at location (a path or URL, UTF-8, resolved like addSchemaLocation's).
    // Replaces the location of any earlier call of this function only: a pair given to
    // addSchemaLocation stays in force, so a document may use both schemas.
    void addNoNamespaceSchemaLocation(const ZOLString& location);
    // Adds a pair to those in force, for documents with elements of several namespaces (an
    // envelope and its payload, a format and its extensions): later documents are validated
    // against targetNamespace's schema at location, taken as addSchemaLocation takes them,
    // besides the other pairs. A later pair for the same namespace replaces the earlier
    // one's location; the pairs keep the order of their namespaces' first call. Caching,
    // strict and secure processing apply to each pair as to the one of addSchemaLocation:
    // each must be loaded for a strict or secure answer of true, and the document element
    // may be in the namespace of any of them. A schema that imports the namespace of a
    // later pair brings its grammar in first, and that pair's location is then not read.
    void addSchema(const ZOLString& targetNamespace, const ZOLString& location);
    // Forgets every configured schema: the pairs and the schema without target namespace.
    void clearSchemas();
    // Validates length bytes at bytes as validate() validates a file: the same answer and
    // the same records as for the same bytes in the file named by systemId (a path or URL,
    // UTF-8), which the records name and against which relative references (an external
    // DTD, entities, schema hints, relative schema locations) are resolved; a relative path
    // is completed against the current directory, as a file's would be. Nothing is copied:
    // the bytes must stay unchanged until the call returns.
    bool validateMemory(const char* bytes, unsigned long length, const ZOLString& systemId);
    // As validateMemory, with the document's bytes read as the reader needs them through
    // read, which receives context; memory stays bounded whatever the document's size. A
    // read that answers -1 ends the validation with a fatal record that the document
    // cannot be read, at the position reached, and the answer false.
    bool validateStream(ZOLSAX2ReadFunction read, void* context, const ZOLString& systemId);
    // Strict validation (off by default). When on, true means the document was checked
    // against the configured schemas: the answer is false, with a SAX_PARSE_ERROR record
    // that says why, when no schema is configured, when a configured schema (of
    // addSchemaLocation, addSchema or addNoNamespaceSchemaLocation) was not loaded for the document
    // (missing, unreadable, not XML, not a schema, or for another namespace), or when the
    // document element is in a namespace that no configured schema is for. The document's
    // own xsi:schemaLocation and xsi:noNamespaceSchemaLocation hints are not followed
    // unless followHints is true; they can never stand in for a configured schema.
    // Secure processing applies the same rules whatever this setting.
    void setStrictValidation(bool on, bool followHints = false);
    // Hardens later validations for untrusted input (off by default). When on, the only
    // resources opened are the configured schemas and the schema documents they include,
    // import or redefine; a relative schema location is taken from the current directory
    // at the time it was configured, never from the document's folder. The document's
    // external DTD, external entities and schema
    // hints are each logged as SAX_PARSE_ERROR with their position (e.g. "external DTD
    // refused (SYSTEM 'a.dtd')") and the answer is false. More than 1,000 entity expansions
    // are a fatal error, and so is a document whose expansions produce too much text for
    // its size (see setAmplificationLimit). A configured schema that was not loaded makes
    // the answer false, with a record naming it. See docs/security.md.
    void setSecureProcessing(bool on);
    // Schema caching (off by default). When on, the configured schemas (of addSchemaLocation
    // and addNoNamespaceSchemaLocation, with what they include, import or redefine) are read
    // and checked once, at the first validate that needs them, and their grammar serves every
    // later validate instead of being built again for each document. Answers and records
    // stay those of a validator without caching, document for document:
    // - addSchemaLocation, addNoNamespaceSchemaLocation and a change of secure processing
    //   drop the grammar, and the next validate reads the schemas again; so does the reader
    //   that replaces one that ran out of memory;
    // - a relative location is resolved against each document, as without caching, and
    //   read again whenever a document resolves it to another file;
    // - grammars that a document's own schema hints bring in are not kept;
    // - a schema that does not load cleanly (any warning or error, missing, unreadable, for
    //   another namespace than configured) is not cached: each document reads it again and
    //   logs its problems as without caching, except that a problem the reader would give
    //   no entity or the document's position (a unique particle attribution violation, a
    //   schema it cannot open) carries the schema's location data, line and column 0;
    // - one more warning: an ATTLIST in the internal subset for the element the DOCTYPE
    //   names, which no ELEMENT declares, gives "element 'r' is referenced in an ATTLIST
    //   but was never declared" with caching only (see docs/additions.md).
    // The trade: a schema file changed on disk is not read again while its grammar is cached.
    // Call addSchemaLocation again (the same pair will do) to make the validator read it.
    void setSchemaCaching(bool on);
    // With schema caching on: loads the configured schemas now rather than at the next
    // validate, and answers true when they loaded cleanly and their grammar is cached. Logs
    // nothing: a schema that does not load cleanly is reported by each validate, as without
    // caching. False also when caching is off, no schema is configured, or a relative
    // location is left to be resolved against each document. With a loaded schema set (see
    // setSchemaSet) true, loading nothing.
    bool loadSchemas();
    // Full schema constraint checking (on by default, as the validator's configuration has
    // it). Off, the checks that can only find errors in a schema (unique particle
    // attribution, particle derivation and the like) are skipped, which halves the loading
    // of a large schema; for a schema that passes them, every answer and record is the same.
    // Meant for schemas already found sound, for instance by another validator's
    // loadSchemas() with checking on. A change drops a cached grammar.
    void setSchemaFullChecking(bool on);
    // Places encoding errors of the documents and schemas read at the byte that does not
    // decode, as ZOLSAX2Parser::setEncodingErrorLocation does (off by default).
    void setEncodingErrorLocation(bool on);
    // The amplification limit of secure processing, for later validations (called from the
    // log, from the next validation on): the answer is
    // false, with a SAX_PARSE_ERROR record at the position reached, once the text the
    // document's internal entities and defaulted attributes (of its DTD or the schema)
    // produce, added to the bytes read from the document, reaches activationBytes and
    // exceeds ratio times those bytes. The defaults are a ratio of 20 and 8 MiB
    // (8,388,608). False, and nothing changes, when ratio is below 1 or not a number. Has
    // no effect unless secure processing (or amplification protection) is on.
    bool setAmplificationLimit(double ratio, unsigned long long activationBytes);
    // The absolute cap beside that ratio, for later validations: whatever the input size,
    // the answer is false the same way once the document's internal entities and defaulted
    // attributes produce more than characters characters, or once the reader needs more
    // than two bytes per character of it for one block (the buffer of one attribute value,
    // text run, comment or processing instruction it holds whole). The default, 8 Mi
    // (8,388,608), keeps a document under about 1 s and 128 MiB; ULLONG_MAX switches the
    // cap off. Has no effect unless secure processing (or amplification protection) is on.
    void setAmplificationCap(unsigned long long characters);
    // Amplification protection (off by default): later validations are held to the limit
    // and the cap above without secure processing, so billion laughs and the like fail
    // quickly while external resources and any number of expansions stay allowed. Secure
    // processing includes it. Takes effect at the next validation.
    void setAmplificationProtection(bool on);
    // DTD validation (off by default). When on, true means the document was also checked
    // against a DTD: against its DOCTYPE's (the internal subset and the external DTD) when
    // dtdLocation is empty, else against the DTD at dtdLocation (a path, taken from the
    // current directory now, or a URL, UTF-8) whatever the DOCTYPE names, as the external DTD
    // of the document's DOCTYPE; a document without one (or whose DOCTYPE names no external
    // DTD) is read as if its DOCTYPE named it, so positions after that point on its line move
    // right. Without a DTD named, a document without a DOCTYPE answers false with a
    // SAX_PARSE_ERROR record at 0:0; a DTD that cannot be read gives the reader's records.
    // With a schema configured as well, true means valid against the schemas and the DTD:
    // the document is read twice, first as without this setting, then against the DTD alone
    // (the reader would check only the schema), unless the first pass found it not
    // well-formed; a document of validateStream, which cannot be read twice, is then refused
    // with a record. With no schema, strict validation asks for nothing more than a DTD. With
    // schema caching on, a DTD read once serves later documents that name it and have no
    // internal subset (see docs/additions.md). Secure processing refuses the external DTD
    // unless the resolver maps it to a local file; a DTD named here is the caller's, and read,
    // but the external parameter entities it references are trusted only when mapped so.
    void setDtdValidation(bool on, const ZOLString& dtdLocation = ZOLString());
    // Asks resolver (null: nobody, the default), with context, for every resource of later
    // validations before the reader opens it: the external DTD and external entities (as
    // external identifiers), and as URIs the configured schemas, the schema documents they
    // include, import or redefine (an import without a location by its namespace) and
    // followed hints. An answer is read instead of the resource as named; a declined request
    // is opened as without a resolver; an answer with neither location nor content refuses
    // the resource, and the answer is false. Records in a resource read from elsewhere name
    // it as written, with " (read from X)". A catalog is such a resolver:
    // setResolver(&ZOLSAX2Catalog::resolve, &catalog). In secure mode, an answer that is a
    // local file or content is trusted and read; every other resource stays refused. A
    // change drops a cached grammar. See docs/catalogs.md.
    void setResolver(ZOLSAX2Resolver resolver, void* context);
    // Validates later documents against set's schemas (null: none), which replace the
    // configured ones as clearSchemas() and addSchema() would; a later call that changes the
    // configured schemas ends the use of the set. Borrowed: the caller owns set, which must
    // stay alive and loaded as it is while this validator may validate with it. A loaded set
    // shares its grammars, read-only, with every validator that uses it, on any thread; the
    // answers and records are those of a validator with the same schemas and schema caching
    // on. A validator whose secure processing, amplification protection, full checking or
    // resolver function differ from the set's answers false, with a SAX_PARSE_ERROR record (see
    // ZOLSAX2SchemaSet for what is shared and what is not).
    void setSchemaSet(const ZOLSAX2SchemaSet* set);

private:
    // The set's loader validates into the set's pool.
    friend class ZOLSAX2SchemaSet;
    // State of the additions; defined with the validator's code.
    struct Extensions;

    // Rebuilds a discarded reader and brings its settings up to date.
    ZOLSAX2PARSER_LOCAL void prepareReader();
    // validate(), validateMemory() and validateStream() of the document from source.
    ZOLSAX2PARSER_LOCAL bool validateSource(const ZOLSAX2DocumentSource& source);
    // One parse of source, against the DTD alone when dtdPass is set; false when the reader
    // failed (logged), else the error handler tells.
    ZOLSAX2PARSER_LOCAL bool parsePass(const ZOLSAX2DocumentSource& source, bool dtdPass);
    // After a parse of the document at path: the strict and secure answers' own checks;
    // false when they fail.
    ZOLSAX2PARSER_LOCAL bool checkConfiguredSchemas(const ZOLString& path);

    ZOLLog* log;
    xercesc::SAX2XMLReader* reader;
    ZOLSAX2ErrorHandler* errorHandler;
    // Owned; created by the constructor, deleted by the destructor.
    Extensions* extensions;
};

#endif
