#ifndef ZOLSAX2SCHEMACACHE_H
#define ZOLSAX2SCHEMACACHE_H

#include "ZOLSAX2ReaderMemory.h"
#include "ZOLSAX2SchemaPairs.h"

#include <ZOLString.h>

#include <xercesc/util/XercesDefs.hpp>

#include <cstddef>

XERCES_CPP_NAMESPACE_BEGIN
class MemoryManager;
class SAX2XMLReader;
XERCES_CPP_NAMESPACE_END

class ZOLSAX2EntityGuard;
class ZOLSAX2ErrorHandler;
class ZOLSAX2RecordSwitch;

// The validator's schema caching: loads the configured schemas into the reader's grammar
// pool once, when they load cleanly, and keeps them there for later documents until the
// configuration changes or a document resolves a relative location to another file. Every
// validator's reader, caching or not, counts its memory, and one that keeps growing is
// replaced. Internal to the library.
class ZOLSAX2SchemaCache {
public:
    // The configured schemas, with their locations as the reader receives them.
    struct Schemas {
        ZOLSAX2SchemaPairs pairs;
        bool noNamespace = false;
        ZOLString noNamespaceLocation;
    };

    // Records of loads go through records; a secure reader loads through guard.
    ZOLSAX2SchemaCache(ZOLSAX2RecordSwitch& records, ZOLSAX2EntityGuard& guard);
    ZOLSAX2SchemaCache(const ZOLSAX2SchemaCache&) = delete;
    ZOLSAX2SchemaCache& operator=(const ZOLSAX2SchemaCache&) = delete;

    // Caching as asked for; the next reader is made for it.
    void setOn(bool on) noexcept { on_ = on; }
    bool isOn() const noexcept { return on_; }
    // True when the current reader was not made for the caching asked for.
    bool needsNewReader() const noexcept { return installed != on_; }
    // The memory for a new reader, given the one it would have without caching.
    xercesc::MemoryManager* memoryFor(xercesc::MemoryManager* next);
    // The reader went, and its grammar pool with it.
    void forgetReader() noexcept
    {
        state = State::NONE;
        blockCeiling = 0;
    }

    // Drops the cached grammar of reader (null for none); the next validate loads again.
    void drop(xercesc::SAX2XMLReader* reader);
    // As drop, or at the start of the next validation when busy (a log that changes the
    // settings from inside one), since the reader's pool is in use then.
    void requestDrop(xercesc::SAX2XMLReader* reader, bool busy);
    // Carries out a drop asked for while the reader was busy.
    void applyPendingDrop(xercesc::SAX2XMLReader* reader);

    // Loads schemas for the document at path (empty: none yet) into reader's pool unless the
    // cache already holds them. Records go to errorHandler, whose flags it keeps.
    void prepare(xercesc::SAX2XMLReader* reader, ZOLSAX2ErrorHandler* errorHandler, const ZOLString& path,
                 const Schemas& schemas);
    // True when the reader's pool holds the configured schemas, loaded cleanly.
    bool isLoaded() const noexcept { return state == State::LOADED; }
    // After a document: true when reader has grown by too much since the first document
    // after the last load, and should be replaced.
    bool hasOutgrown(const xercesc::SAX2XMLReader* reader);

private:
    // Where the grammar of the configured schemas comes from for the next document.
    enum class State {
        NONE,       // caching is off, or nothing was loaded into the current reader yet
        LOADED,     // the reader's pool holds it, loaded cleanly for key
        UNCACHEABLE // loading for key logged something: each document reads the schemas
    };

    // Reads the schemas into reader's pool; true when they loaded cleanly.
    bool load(xercesc::SAX2XMLReader* reader, const ZOLSAX2SchemaPairs& resolved, const ZOLString& noNamespace,
              const Schemas& schemas);

    ZOLSAX2RecordSwitch& records;
    ZOLSAX2EntityGuard& guard;
    bool on_ = false;
    bool installed = false;
    State state = State::NONE;
    // A drop asked for while the reader was busy.
    bool dropPending = false;
    // The memory of the reader, and how many blocks it may hold before it is
    // replaced (0: to be set after the next document).
    ZOLSAX2ReaderMemory readerMemory;
    std::size_t blockCeiling = 0;
    // The resolved locations the cache was loaded for.
    ZOLString key;
};

#endif
