#include "ZOLSAX2SchemaCache.h"

#include "ZOLSAX2EntityGuard.h"
#include "ZOLSAX2ErrorHandler.h"
#include "ZOLSAX2Locations.h"
#include "ZOLSAX2RecordSwitch.h"

#include <xercesc/sax/InputSource.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>
#include <xercesc/validators/common/Grammar.hpp>

namespace {

// A validator's reader that grows by more than this many blocks over the documents after a
// load (or, without caching, after its first document) is replaced (some hundred bytes each; see ZOLSAX2ReaderMemory).
constexpr std::size_t READER_GROWTH_LIMIT = 20000;

// Reads the schema at resolved into the reader's grammar pool; true when it gave a grammar
// for targetNamespace. Records go to the reader's error handler.
bool loadSchema(xercesc::SAX2XMLReader* reader, const ZOLString& resolved, const ZOLString& targetNamespace)
{
    const xercesc::Grammar* grammar =
        reader->loadGrammar(*ZOLSAX2Locations::openSource(resolved), xercesc::Grammar::SchemaGrammarType, true);
    if (grammar == nullptr)
        return false;
    const XMLCh* loaded = grammar->getTargetNamespace();
    return targetNamespace == (loaded == nullptr ? ZOLString() : ZOLString(loaded));
}

// True when a location is resolved against each document rather than taken as is.
bool hasRelativeLocation(const ZOLSAX2SchemaCache::Schemas& schemas)
{
    for (const ZOLSAX2SchemaPairs::Pair& pair : schemas.pairs)
        if (ZOLSAX2Locations::isRelative(pair.location))
            return true;
    return schemas.noNamespace && ZOLSAX2Locations::isRelative(schemas.noNamespaceLocation);
}

} // namespace

ZOLSAX2SchemaCache::ZOLSAX2SchemaCache(ZOLSAX2RecordSwitch& records, ZOLSAX2EntityGuard& guard)
    : records(records), guard(guard)
{}

xercesc::MemoryManager* ZOLSAX2SchemaCache::memoryFor(xercesc::MemoryManager* next)
{
    installed = on_;
    // Counted with or without caching: the names a reader keeps pile up either way.
    readerMemory.setNext(next);
    return &readerMemory;
}

void ZOLSAX2SchemaCache::drop(xercesc::SAX2XMLReader* reader)
{
    records.forgetLoad();
    if (reader != nullptr && state != State::NONE) {
        reader->resetCachedGrammarPool();
        reader->setFeature(xercesc::XMLUni::fgXercesUseCachedGrammarInParse, false);
    }
    state = State::NONE;
}

void ZOLSAX2SchemaCache::requestDrop(xercesc::SAX2XMLReader* reader, bool busy)
{
    if (busy)
        dropPending = true;
    else
        drop(reader);
}

void ZOLSAX2SchemaCache::applyPendingDrop(xercesc::SAX2XMLReader* reader)
{
    if (!dropPending)
        return;
    drop(reader);
    dropPending = false;
}

void ZOLSAX2SchemaCache::prepare(xercesc::SAX2XMLReader* reader, ZOLSAX2ErrorHandler* errorHandler,
                                 const ZOLString& path, const Schemas& schemas)
{
    // A relative location is resolved against each document, as the reader does.
    const bool relativeLocations = hasRelativeLocation(schemas);
    if (state != State::NONE && !relativeLocations)
        return;
    ZOLSAX2SchemaPairs pairs;
    ZOLString noNamespace;
    try {
        const ZOLString base = relativeLocations ? ZOLSAX2Locations::documentBase(path) : ZOLString();
        for (const ZOLSAX2SchemaPairs::Pair& pair : schemas.pairs)
            pairs.set(pair.targetNamespace, ZOLSAX2Locations::resolve(base, pair.location));
        if (schemas.noNamespace)
            noNamespace = ZOLSAX2Locations::resolve(base, schemas.noNamespaceLocation);
    } catch (const xercesc::XMLException&) {
        // Not resolved here, so left to the reader for this document.
        drop(reader);
        state = State::UNCACHEABLE;
        key = ZOLString();
        return;
    }
    ZOLString newKey = pairs.text();
    newKey.add("\n", noNamespace.chars(), static_cast<const char*>(nullptr));
    if (state != State::NONE && newKey == key)
        return;

    drop(reader);
    key = newKey;
    state = State::UNCACHEABLE;
    blockCeiling = 0;
    // A pair the reader would not take as one namespace and one location is reported by
    // the reader for each document.
    for (const ZOLSAX2SchemaPairs::Pair& pair : schemas.pairs)
        if (pair.targetNamespace.isEmpty() || ZOLSAX2Locations::hasBlank(pair.targetNamespace) ||
            ZOLSAX2Locations::hasBlank(pair.location))
            return;
    if ((schemas.noNamespace && ZOLSAX2Locations::hasBlank(schemas.noNamespaceLocation)) ||
        (schemas.pairs.isEmpty() && !schemas.noNamespace))
        return;

    const bool errorSeen = errorHandler->isErrorSeen();
    const bool warningSeen = errorHandler->isWarningSeen();
    const bool loaded = load(reader, pairs, noNamespace, schemas);
    errorHandler->errorSeen = errorSeen;
    errorHandler->warningSeen = warningSeen;
    if (loaded) {
        state = State::LOADED;
    } else {
        reader->resetCachedGrammarPool();
        reader->setFeature(xercesc::XMLUni::fgXercesUseCachedGrammarInParse, false);
    }
}

bool ZOLSAX2SchemaCache::load(xercesc::SAX2XMLReader* reader, const ZOLSAX2SchemaPairs& resolved,
                              const ZOLString& noNamespace, const Schemas& schemas)
{
    // Loads see the grammars cached by the ones before, as the reader's own loads for a
    // document see each other.
    reader->setFeature(xercesc::XMLUni::fgXercesUseCachedGrammarInParse, true);
    records.startLoading();
    guard.reset();
    bool loaded = true;
    try {
        // In the order given, as the reader reads the pairs for a document; one that an
        // earlier one brought in is not read again.
        for (std::size_t i = 0; loaded && i < resolved.size(); ++i) {
            records.setLoading(schemas.pairs[i].location);
            if (i == 0 || reader->getGrammar(resolved[i].targetNamespace.wchars()) == nullptr)
                loaded = loadSchema(reader, resolved[i].location, resolved[i].targetNamespace);
        }
        // As for a document: a schema without namespace that the pair already brought in is
        // not read again.
        records.setLoading(schemas.noNamespaceLocation);
        if (loaded && schemas.noNamespace && reader->getGrammar(u"") == nullptr)
            loaded = loadSchema(reader, noNamespace, ZOLString());
    } catch (const xercesc::XMLException&) {
        loaded = false;
    } catch (...) {
        records.stopLoading();
        throw;
    }
    loaded = records.stopLoading() == 0 && loaded && guard.getRefusals() == 0;
    guard.reset();
    return loaded;
}

bool ZOLSAX2SchemaCache::hasOutgrown(const xercesc::SAX2XMLReader* reader)
{
    if (reader == nullptr)
        return false;
    // The first document after a load brings the reader's own buffers to their working size.
    const std::size_t blocks = readerMemory.getBlocks();
    if (blockCeiling == 0) {
        blockCeiling = blocks + READER_GROWTH_LIMIT;
        return false;
    }
    return blocks > blockCeiling;
}
