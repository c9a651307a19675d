#ifndef ZOLSAX2SCHEMASET_H
#define ZOLSAX2SCHEMASET_H

#include "ZOLSAX2Catalog.h"
#include "ZOLSAX2ParserExport.h"

#include <ZOLString.h>

class ZOLSAX2SchemaSetUse;

// An addition: schemas loaded and checked once, for any number of validators on any
// threads at the same time (see ZOLSAX2Validator::setSchemaSet and docs/additions.md).
//
// Configure the set, call load() once, then hand it to validators. load() reads the
// schemas as a validator with schema caching on reads them at its first validate, with the
// set's own settings, and keeps their grammars, locked: from then on nothing changes them.
//
// Shared by the validators that use a loaded set: the grammars of the configured schemas
// and of the schema documents they include, import or redefine, and the namespace names
// the validators' readers add while they read (kept by the set behind its own lock). Not
// shared, and each validator's own: its reader and everything a document brings in (a
// DTD, entities, the grammar of a followed schema hint), its log and records, its
// answers, its strict mode, its amplification limit and cap, its counters and memory.
//
// Settings: the set records the secure processing, amplification protection, full
// checking and resolver function it was loaded with, and a validator uses it only with the
// same four: a validator whose own differ answers false to every validate, with a
// SAX_PARSE_ERROR record that names the setting (no exception). The resolver's context may
// differ (one per thread, say), provided it answers alike for the schemas' resources. A set
// that did not load (a schema missing, unreadable, with errors or warnings, for another
// namespace, or a relative location, which is resolved against each document) shares
// nothing: a
// validator that uses it reads the set's schemas itself, as its own caching setting says,
// with the same answers and records as a validator given those schemas.
//
// Limitation for now: a set holds schema grammars only; a document's DTD is read by each
// validator. The set's state sits behind one private pointer, so DTD grammars can join.
//
// Threads: configure and load the set on one thread; after load() returns, any number of
// threads may use it through their validators at once. The set must outlive every
// validator that uses it (or that validator's next setSchemaSet). Not copyable.
class ZOLSAX2PARSER_API ZOLSAX2SchemaSet {
public:
    // An empty set, not loaded. Throws ZSAX::XERCES_INITIALIZATION_ERROR.
    ZOLSAX2SchemaSet();
    ZOLSAX2SchemaSet(const ZOLSAX2SchemaSet&) = delete;
    ZOLSAX2SchemaSet& operator=(const ZOLSAX2SchemaSet&) = delete;
    virtual ~ZOLSAX2SchemaSet();

    // Adds a pair as ZOLSAX2Validator::addSchema adds it; a later pair for the same
    // namespace replaces the earlier one's location. Ignored once load() was called.
    void addSchema(const ZOLString& targetNamespace, const ZOLString& location);
    // The schema without target namespace, as ZOLSAX2Validator::addNoNamespaceSchemaLocation
    // takes it. Ignored once load() was called.
    void addNoNamespaceSchemaLocation(const ZOLString& location);
    // Loads in secure mode (off by default), as a validator in that mode loads its schemas.
    // Ignored once load() was called.
    void setSecureProcessing(bool on);
    // Loads with amplification protection (off by default). Ignored once load() was called.
    void setAmplificationProtection(bool on);
    // Full schema constraint checking while loading (on by default). Ignored once load()
    // was called.
    void setSchemaFullChecking(bool on);
    // Asks resolver (null: nobody), with context, for the schemas' resources while
    // loading, as ZOLSAX2Validator::setResolver does. Ignored once load() was called.
    void setResolver(ZOLSAX2Resolver resolver, void* context);
    // Loads and checks the configured schemas, then locks their grammars; true when they
    // loaded cleanly and will be shared. Logs nothing: a validator using a set that did not
    // load reports each problem with each document. Only the first call loads; later ones
    // give its answer.
    bool load();
    // True when load() succeeded and the grammars are shared.
    bool isLoaded() const noexcept;

private:
    // The configured schemas, the settings and the grammars; defined with the set's code.
    struct Extensions;
    // A validator's side of the set reads its schemas, settings and grammars.
    friend class ZOLSAX2SchemaSetUse;

    // Owned; created by the constructor, deleted by the destructor.
    Extensions* extensions;
};

#endif
