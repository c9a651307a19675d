#include "ZOLSAX2Validator.h"

#include "ZOLSAX2AmplificationGuard.h"
#include "ZOLSAX2BadByteLocator.h"
#include "ZOLSAX2ContentHandler.h"
#include "ZOLSAX2DocumentElement.h"
#include "ZOLSAX2EntityGuard.h"
#include "ZOLSAX2ErrorHandler.h"
#include "ZOLSAX2FlagScope.h"
#include "ZOLSAX2Platform.h"
#include "ZOLSAX2ReaderMemory.h"

#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZSAX.h>

#include <xercesc/dom/DOMException.hpp>
#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/URLInputSource.hpp>
#include <xercesc/framework/XMLBuffer.hpp>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/IOException.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLURL.hpp>
#include <xercesc/util/XMLUni.hpp>
#include <xercesc/util/XMLUri.hpp>
#include <xercesc/validators/common/Grammar.hpp>

#include <memory>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace {

// A caching validator's reader that grows by more than this many blocks over the documents
// after a load is replaced (some hundred bytes each; see ZOLSAX2ReaderMemory).
constexpr std::size_t READER_GROWTH_LIMIT = 20000;

// A reader with the validator's fixed configuration, in this order and nothing else, on the
// given memory (Xerces' own unless caching counts it or secure processing guards it).
xercesc::SAX2XMLReader* createConfiguredReader(xercesc::MemoryManager* memory)
{
    xercesc::SAX2XMLReader* reader = xercesc::XMLReaderFactory::createXMLReader(memory, nullptr);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpacePrefixes, false);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreValidation, true);
    reader->setFeature(xercesc::XMLUni::fgXercesDynamic, true);
    reader->setFeature(xercesc::XMLUni::fgXercesSchema, true);
    reader->setFeature(xercesc::XMLUni::fgXercesSchemaFullChecking, true);
    reader->setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, true);
    reader->setFeature(xercesc::XMLUni::fgXercesIdentityConstraintChecking, false);
    reader->setFeature(xercesc::XMLUni::fgXercesCalculateSrcOfs, true);
    return reader;
}

// Hands the reader one namespace and location pair as its external schema location.
void setSchemaLocation(xercesc::SAX2XMLReader* reader, const ZOLString& targetNamespace, const ZOLString& location)
{
    ZOLString pair;
    pair.add(targetNamespace.chars(), " ", location.chars(), static_cast<const char*>(nullptr));
    // The reader copies the value. The UTF-16 form comes from our own exact UTF-8
    // conversion, so non-ASCII paths and namespaces survive whatever the process locale.
    reader->setProperty(xercesc::XMLUni::fgXercesSchemaExternalSchemaLocation, const_cast<char16_t*>(pair.wchars()));
}

void setNoNamespaceSchemaLocation(xercesc::SAX2XMLReader* reader, const ZOLString& location)
{
    reader->setProperty(xercesc::XMLUni::fgXercesSchemaExternalNoNameSpaceSchemaLocation,
                        const_cast<char16_t*>(location.wchars()));
}

// Passes every record on to the caller's log, except while a schema is loaded for the
// cache: then it only counts them, since a schema that logs anything is not cached and
// each document reports its problems itself. A problem that loading alone finds with no
// place in any entity (the full constraint check's, such as a violation of unique particle
// attribution) the reader reports again within each document, at the document's position:
// this switch then gives it the schema's location data instead, as where the problem is.
class RecordSwitch : public ZOLLog {
public:
    explicit RecordSwitch(ZOLLog* log) : log(log) {}

    void logEvent(const ZOLLogEvent& event) override
    {
        if (counting) {
            ++counted;
            const ZOLLogLocation* where = event.getLocation();
            if (where == nullptr || where->getSystemId().isEmpty())
                unplaced.emplace_back(messageOf(event), loading);
            return;
        }
        if (!unplaced.empty()) {
            const std::string message = messageOf(event);
            for (const auto& [known, schema] : unplaced) {
                if (message != known)
                    continue;
                ZOLLogEvent placed(event);
                const ZOLLogLocation* where = event.getLocation();
                placed.setLocation(
                    ZOLLogLocation(schema, 0, 0, where == nullptr ? event.getLevel() : where->getReportedLevel()));
                log->logEvent(placed);
                return;
            }
        }
        log->logEvent(event);
    }

    // Starts counting the records of loading schemas, forgetting those of earlier loads.
    void startLoading()
    {
        counting = true;
        counted = 0;
        unplaced.clear();
    }
    // Forgets the records of the last load: the schemas changed, or caching is off.
    void forgetLoad() { unplaced.clear(); }

    ZOLLog* log;
    bool counting = false;
    unsigned long counted = 0;
    // The location of the schema being loaded while counting.
    ZOLString loading;

private:
    // The reader's message of a record, without the position the catalogue puts in front.
    static std::string messageOf(const ZOLLogEvent& event)
    {
        const std::string text = event.getText().chars();
        const std::size_t end = text.find("): ");
        return text.rfind('(', 0) == 0 && end != std::string::npos ? text.substr(end + 3) : text;
    }

    // The messages of the last load's records that had no entity, and the schema each
    // came from.
    std::vector<std::pair<std::string, ZOLString>> unplaced;
};

// The system identifier of the document the reader opens for path: an absolute URL, or
// the local path completed against the current directory.
ZOLString documentBase(const ZOLString& path)
{
    xercesc::XMLURL url;
    if (xercesc::XMLURL::parse(path.wchars(), url) && !url.isRelative())
        return ZOLString(url.getURLText());
    const xercesc::LocalFileInputSource source(path.wchars());
    return ZOLString(source.getSystemId());
}

// Where the reader looks for a schema at location named by a document at base (an empty
// base for none): an absolute URL when location makes one against base, else a local path.
ZOLString resolveLocation(const ZOLString& base, const ZOLString& location)
{
    xercesc::XMLURL url;
    if (!base.isEmpty() && url.setURL(base.wchars(), location.wchars(), url) && !url.isRelative())
        return ZOLString(url.getURLText());
    if (base.isEmpty() && xercesc::XMLURL::parse(location.wchars(), url) && !url.isRelative())
        return ZOLString(url.getURLText());
    xercesc::XMLBuffer normalized;
    xercesc::XMLUri::normalizeURI(location.wchars(), normalized);
    const std::unique_ptr<xercesc::LocalFileInputSource> source(
        base.isEmpty() ? new xercesc::LocalFileInputSource(normalized.getRawBuffer())
                       : new xercesc::LocalFileInputSource(base.wchars(), normalized.getRawBuffer()));
    return ZOLString(source->getSystemId());
}

// True when the reader resolves location against the document rather than taking it as is.
bool isRelativeLocation(const ZOLString& location)
{
    xercesc::XMLURL url;
    if (xercesc::XMLURL::parse(location.wchars(), url) && !url.isRelative())
        return false;
    return location.chars()[0] != '/';
}

// True when text holds a character the reader takes as a separator in a location list.
bool hasBlank(const ZOLString& text)
{
    for (const char* c = text.chars(); *c != '\0'; ++c)
        if (*c == ' ' || *c == '\t' || *c == '\r' || *c == '\n')
            return true;
    return false;
}

// Reads the schema at resolved into the reader's grammar pool; true when it gave a grammar
// for targetNamespace. Records go to the reader's error handler.
bool loadSchema(xercesc::SAX2XMLReader* reader, const ZOLString& resolved, const ZOLString& targetNamespace)
{
    xercesc::XMLURL url;
    std::unique_ptr<xercesc::InputSource> source;
    if (xercesc::XMLURL::parse(resolved.wchars(), url) && !url.isRelative())
        source.reset(new xercesc::URLInputSource(url));
    else
        source.reset(new xercesc::LocalFileInputSource(resolved.wchars()));
    const xercesc::Grammar* grammar = reader->loadGrammar(*source, xercesc::Grammar::SchemaGrammarType, true);
    if (grammar == nullptr)
        return false;
    const XMLCh* loaded = grammar->getTargetNamespace();
    return targetNamespace == (loaded == nullptr ? ZOLString() : ZOLString(loaded));
}

// The location as a secure reader receives it: a URL unchanged; a path made absolute against
// the current directory, now, and given as a file URL when the reader would split it at a
// blank. Empty, so that nothing is trusted, when the current directory cannot be read.
ZOLString secureLocation(const ZOLString& location)
{
    xercesc::XMLURL url;
    if (xercesc::XMLURL::parse(location.wchars(), url) && !url.isRelative())
        return location;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(location.chars(), error);
    if (error)
        return ZOLString();
    const std::string path = absolute.lexically_normal().string();
    if (path.find_first_of(" \t\r\n") == std::string::npos)
        return ZOLString(path.c_str());
    std::string fileUrl = "file://";
    for (const char c : path) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '%') {
            static const char HEX[] = "0123456789ABCDEF";
            fileUrl += '%';
            fileUrl += HEX[static_cast<unsigned char>(c) >> 4];
            fileUrl += HEX[static_cast<unsigned char>(c) & 15];
        } else {
            fileUrl += c;
        }
    }
    return ZOLString(fileUrl.c_str());
}

// The document at path as the reader opens a system identifier: a URL when it makes an
// absolute one, a local file otherwise.
std::unique_ptr<xercesc::InputSource> documentSource(const ZOLString& path)
{
    xercesc::XMLURL url;
    if (xercesc::XMLURL::parse(path.wchars(), url) && !url.isRelative())
        return std::unique_ptr<xercesc::InputSource>(new xercesc::URLInputSource(url));
    return std::unique_ptr<xercesc::InputSource>(new xercesc::LocalFileInputSource(path.wchars()));
}

} // namespace

struct ZOLSAX2PARSER_LOCAL ZOLSAX2Validator::Extensions {
    explicit Extensions(ZOLLog* log) : records(log), entityGuard(&records) {}

    // Places encoding errors at their byte once asked to.
    ZOLSAX2BadByteLocator badByteLocator;

    // Where the grammar of the configured schemas comes from for the next document.
    enum class Cache {
        NONE,       // caching is off, or nothing was loaded into the current reader yet
        LOADED,     // the reader's pool holds it, loaded cleanly for cacheKey
        UNCACHEABLE // loading for cacheKey logged something: each document reads the schemas
    };

    // Drops the cached grammar of reader (null for none); the next validate loads again.
    void dropCache(xercesc::SAX2XMLReader* reader);
    // As dropCache, or at the start of the next validation when one is running (a log that
    // changes the settings from inside it), since the reader's pool is in use then.
    void requestDrop(xercesc::SAX2XMLReader* reader)
    {
        if (validating)
            dropPending = true;
        else
            dropCache(reader);
    }
    // Loads the configured schemas (at the locations the reader is given) for the document at
    // path into reader's pool unless the cache already holds them.
    void prepareCache(xercesc::SAX2XMLReader* reader, ZOLSAX2ErrorHandler* errorHandler, const ZOLString& path,
                      const ZOLString& pairLocation, const ZOLString& noNamespacePath);
    // After a document: true when reader has grown by more than READER_GROWTH_LIMIT blocks
    // since the first document after the last load, and should be replaced.
    bool hasOutgrown(const xercesc::SAX2XMLReader* reader);
    // True when the configured pair (or the schema without namespace) came in for the last
    // document: cached, or requested through the guard in secure mode.
    bool trustedSchemaArrived() const { return cache == Cache::LOADED || entityGuard.isTrustedSchemaRequested(); }
    bool noNamespaceSchemaArrived() const
    {
        return cache == Cache::LOADED || entityGuard.isNoNamespaceSchemaRequested();
    }

    // Every record of the reader and the guard passes through here.
    RecordSwitch records;

    // The configured locations as given, for the default mode. The guard keeps the namespace
    // and the locations a secure reader receives, resolved when they were configured. A
    // rebuilt reader gets them back.
    ZOLString schemaLocation;
    bool noNamespaceSet = false;
    ZOLString noNamespaceLocation;

    bool strict = false;
    bool followHints = false;

    // Secure processing as asked for, and as built into the current reader.
    bool secureProcessing = false;
    bool secureInstalled = false;
    ZOLSAX2EntityGuard entityGuard;
    // The memory of a secure reader, which measures what it expands.
    ZOLSAX2AmplificationGuard amplificationGuard;

    // Installed as the reader's content handler while strict validation is on.
    ZOLSAX2DocumentElement documentElement;

    // Full schema constraint checking; off only on request.
    bool fullChecking = true;

    // Schema caching as asked for, whether the current reader was made for it, and what it
    // holds.
    bool caching = false;
    bool cachingInstalled = false;
    Cache cache = Cache::NONE;
    // The memory of a reader made for caching, and how many blocks it may hold before it is
    // replaced (0: to be set after the next document).
    ZOLSAX2ReaderMemory readerMemory;
    std::size_t blockCeiling = 0;
    // The resolved locations the cache was loaded for.
    ZOLString cacheKey;

    // Set while validate() runs: the log may call back into the validator meanwhile.
    bool validating = false;
    // Schema locations given while the reader was busy; handed to it at the next validation.
    bool locationsPending = false;
    // A cached grammar to drop at the next validation, asked for while the reader was busy.
    bool dropPending = false;
};

void ZOLSAX2Validator::Extensions::dropCache(xercesc::SAX2XMLReader* reader)
{
    records.forgetLoad();
    if (reader != nullptr && cache != Cache::NONE) {
        reader->resetCachedGrammarPool();
        reader->setFeature(xercesc::XMLUni::fgXercesUseCachedGrammarInParse, false);
    }
    cache = Cache::NONE;
}

void ZOLSAX2Validator::Extensions::prepareCache(xercesc::SAX2XMLReader* reader, ZOLSAX2ErrorHandler* errorHandler,
                                                const ZOLString& path, const ZOLString& pairLocation,
                                                const ZOLString& noNamespacePath)
{
    // A relative location is resolved against each document, as the reader does.
    const bool relativeLocations = (entityGuard.hasTrustedSchema() && isRelativeLocation(pairLocation)) ||
                                   (noNamespaceSet && isRelativeLocation(noNamespacePath));
    if (cache != Cache::NONE && !relativeLocations)
        return;
    ZOLString pair;
    ZOLString noNamespace;
    try {
        const ZOLString base = relativeLocations ? documentBase(path) : ZOLString();
        if (entityGuard.hasTrustedSchema())
            pair = resolveLocation(base, pairLocation);
        if (noNamespaceSet)
            noNamespace = resolveLocation(base, noNamespacePath);
    } catch (const xercesc::XMLException&) {
        // Not resolved here, so left to the reader for this document.
        dropCache(reader);
        cache = Cache::UNCACHEABLE;
        cacheKey = ZOLString();
        return;
    }
    ZOLString key = pair;
    key.add("\n", noNamespace.chars(), static_cast<const char*>(nullptr));
    if (cache != Cache::NONE && key == cacheKey)
        return;

    dropCache(reader);
    cacheKey = key;
    cache = Cache::UNCACHEABLE;
    blockCeiling = 0;
    // A pair the reader would not take as one namespace and one location is reported by
    // the reader for each document.
    const ZOLString& targetNamespace = entityGuard.getTrustedNamespace();
    if (entityGuard.hasTrustedSchema() &&
        (targetNamespace.isEmpty() || hasBlank(targetNamespace) || hasBlank(pairLocation)))
        return;
    if ((noNamespaceSet && hasBlank(noNamespacePath)) || (!entityGuard.hasTrustedSchema() && !noNamespaceSet))
        return;

    // Loads see the grammars cached by the ones before, as the reader's own loads for a
    // document see each other.
    reader->setFeature(xercesc::XMLUni::fgXercesUseCachedGrammarInParse, true);
    const bool errorSeen = errorHandler->isErrorSeen();
    const bool warningSeen = errorHandler->isWarningSeen();
    records.startLoading();
    entityGuard.reset();
    bool loaded = true;
    try {
        records.loading = pairLocation;
        if (entityGuard.hasTrustedSchema())
            loaded = loadSchema(reader, pair, targetNamespace);
        // As for a document: a schema without namespace that the pair already brought in is
        // not read again.
        records.loading = noNamespacePath;
        if (loaded && noNamespaceSet && reader->getGrammar(u"") == nullptr)
            loaded = loadSchema(reader, noNamespace, ZOLString());
    } catch (const xercesc::XMLException&) {
        loaded = false;
    } catch (...) {
        records.counting = false;
        throw;
    }
    records.counting = false;
    loaded = loaded && records.counted == 0 && entityGuard.getRefusals() == 0;
    entityGuard.reset();
    errorHandler->errorSeen = errorSeen;
    errorHandler->warningSeen = warningSeen;
    if (loaded) {
        cache = Cache::LOADED;
    } else {
        reader->resetCachedGrammarPool();
        reader->setFeature(xercesc::XMLUni::fgXercesUseCachedGrammarInParse, false);
    }
}

bool ZOLSAX2Validator::Extensions::hasOutgrown(const xercesc::SAX2XMLReader* reader)
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

ZOLSAX2Validator::ZOLSAX2Validator(ZOLLog* log) : log(log), reader(nullptr), errorHandler(nullptr), extensions(nullptr)
{
    try {
        ZOLSAX2Platform::initialize();
    } catch (const xercesc::XMLException& e) {
        ZSAX::XERCES_INITIALIZATION_ERROR.throwException(ZOLString(e.getMessage()));
    }

    reader = createConfiguredReader(xercesc::XMLPlatformUtils::fgMemoryManager);

    // The handler logs to the caller's log through the additions' switch.
    extensions = new Extensions(log);
    errorHandler = new ZOLSAX2ErrorHandler(&extensions->records);
    reader->setErrorHandler(errorHandler);
}

ZOLSAX2Validator::~ZOLSAX2Validator()
{
    if (reader != nullptr) {
        delete reader;
        reader = nullptr;
    }
    if (errorHandler != nullptr) {
        delete errorHandler;
        errorHandler = nullptr;
    }
    if (extensions != nullptr) {
        delete extensions;
        extensions = nullptr;
    }
    ZOLSAX2Platform::terminate();
}

void ZOLSAX2Validator::addSchemaLocation(const ZOLString& targetNamespace, const ZOLString& location)
{
    Extensions& x = *extensions;
    x.schemaLocation = location;
    x.entityGuard.setTrustedSchema(targetNamespace, secureLocation(location));
    if (reader != nullptr && !x.validating)
        setSchemaLocation(reader, targetNamespace, configuredLocation());
    else
        x.locationsPending = true;
    x.requestDrop(reader);
}

void ZOLSAX2Validator::addNoNamespaceSchemaLocation(const ZOLString& location)
{
    Extensions& x = *extensions;
    x.noNamespaceSet = true;
    x.noNamespaceLocation = location;
    x.entityGuard.setTrustedNoNamespaceSchema(secureLocation(location));
    if (reader != nullptr && !x.validating)
        setNoNamespaceSchemaLocation(reader, configuredNoNamespaceLocation());
    else
        x.locationsPending = true;
    x.requestDrop(reader);
}

const ZOLString& ZOLSAX2Validator::configuredLocation() const
{
    return extensions->secureInstalled ? extensions->entityGuard.getTrustedLocation() : extensions->schemaLocation;
}

const ZOLString& ZOLSAX2Validator::configuredNoNamespaceLocation() const
{
    return extensions->secureInstalled ? extensions->entityGuard.getTrustedNoNamespaceLocation()
                                       : extensions->noNamespaceLocation;
}

void ZOLSAX2Validator::setStrictValidation(bool on, bool followHints)
{
    extensions->strict = on;
    extensions->followHints = followHints;
}

bool ZOLSAX2Validator::validate(const ZOLFile& file)
{
    // Called from the log during a validation: the reader refuses a second parse while one
    // runs, and so does this call, before it touches anything the running one uses.
    if (extensions->validating) {
        const xercesc::IOException inProgress(__FILE__, __LINE__, xercesc::XMLExcepts::Gen_ParseInProgress);
        ZSAX::XERCES_XML_EXCEPTION.log(*log, ZOLString(inProgress.getMessage()));
        return false;
    }
    const ZOLSAX2FlagScope scope(extensions->validating);
    ZOLSAX2AmplificationGuard& amplification = extensions->amplificationGuard;
    bool measured = false;
    try {
        prepareReader();
        const ZOLString path(file.getPath());
        if (extensions->caching)
            extensions->prepareCache(reader, errorHandler, path, configuredLocation(), configuredNoNamespaceLocation());
        extensions->entityGuard.reset();
        extensions->documentElement.reset();
        measured = extensions->secureInstalled;
        if (measured)
            amplification.parse(reader, *documentSource(path));
        else
            reader->parse(path.wchars());
    } catch (const xercesc::OutOfMemoryException&) {
        // The reader stays "in progress" for good after this; a fresh one replaces it at
        // the next validation.
        discardReader();
        if (measured && amplification.isRefused())
            amplification.logRefusal(*log);
        else
            ZSAX::XERCES_OUT_OF_MEMORY.log(*log);
        return false;
    } catch (const xercesc::XMLException& e) {
        ZSAX::XERCES_XML_EXCEPTION.log(*log, ZOLString(e.getMessage()));
        return false;
    } catch (const xercesc::SAXException& e) {
        ZSAX::XERCES_XML_EXCEPTION.log(*log, ZOLString(e.getMessage()));
        return false;
    } catch (const xercesc::DOMException& e) {
        // The reader reads schemas into a DOM, whose own exceptions it lets through (for a
        // version in a schema's XML declaration that the DOM refuses, say). The reader gave
        // up in the middle of loading a grammar: a fresh one replaces it.
        discardReader();
        ZSAX::XERCES_XML_EXCEPTION.log(*log, e.getMessage() == nullptr ? ZOLString() : ZOLString(e.getMessage()));
        return false;
    }
    if (measured && amplification.isRefused()) {
        amplification.logRefusal(*log);
        return false;
    }
    if (extensions->entityGuard.getRefusals() > 0)
        errorHandler->errorSeen = true;
    if (!errorHandler->errorSeen && !checkConfiguredSchemas())
        errorHandler->errorSeen = true;
    if (extensions->caching && extensions->hasOutgrown(reader))
        discardReader();
    return !errorHandler->errorSeen;
}

void ZOLSAX2Validator::setSecureProcessing(bool on)
{
    // The schemas' own references go through the guard only in secure mode, so a grammar
    // loaded in the other mode may not stand.
    if (on != extensions->secureProcessing)
        extensions->requestDrop(reader);
    extensions->secureProcessing = on;
}

void ZOLSAX2Validator::setSchemaCaching(bool on)
{
    if (on == extensions->caching)
        return;
    // A caching reader counts its memory; the next validate makes the reader this mode needs
    // (not this call: a log may make it while the reader is busy).
    extensions->caching = on;
    extensions->requestDrop(reader);
}

bool ZOLSAX2Validator::loadSchemas()
{
    Extensions& x = *extensions;
    const bool configured = x.entityGuard.hasTrustedSchema() || x.noNamespaceSet;
    if (!x.caching || !configured || x.validating ||
        (x.entityGuard.hasTrustedSchema() && isRelativeLocation(configuredLocation())) ||
        (x.noNamespaceSet && isRelativeLocation(configuredNoNamespaceLocation())))
        return false;
    try {
        prepareReader();
        x.prepareCache(reader, errorHandler, ZOLString(), configuredLocation(), configuredNoNamespaceLocation());
    } catch (const xercesc::OutOfMemoryException&) {
        discardReader();
        return false;
    } catch (const xercesc::XMLException&) {
        return false;
    } catch (const xercesc::SAXException&) {
        return false;
    } catch (const xercesc::DOMException&) {
        discardReader();
        return false;
    }
    return x.cache == Extensions::Cache::LOADED;
}

void ZOLSAX2Validator::setEncodingErrorLocation(bool on)
{
    errorHandler->badByteLocator = on ? &extensions->badByteLocator : nullptr;
}

void ZOLSAX2Validator::setSchemaFullChecking(bool on)
{
    if (on != extensions->fullChecking)
        extensions->requestDrop(reader);
    extensions->fullChecking = on;
}

bool ZOLSAX2Validator::setAmplificationLimit(double ratio, unsigned long long activationBytes)
{
    return extensions->amplificationGuard.setLimit(ratio, activationBytes);
}

void ZOLSAX2Validator::prepareReader()
{
    Extensions& x = *extensions;
    // A secure reader lives on the amplification guard's memory, a caching one on memory that
    // counts, so a change of either mode takes a new reader.
    if (reader != nullptr && (x.secureInstalled != x.secureProcessing || x.cachingInstalled != x.caching))
        discardReader();
    if (reader == nullptr) {
        // Caching counts the reader's memory; secure processing measures it. With both, the
        // count passes every request on to the guard.
        xercesc::MemoryManager* memory = x.secureProcessing
                                             ? static_cast<xercesc::MemoryManager*>(&x.amplificationGuard)
                                             : xercesc::XMLPlatformUtils::fgMemoryManager;
        if (x.caching) {
            x.readerMemory.setNext(memory);
            memory = &x.readerMemory;
        }
        reader = createConfiguredReader(memory);
        reader->setErrorHandler(errorHandler);
        if (x.secureProcessing) {
            x.entityGuard.install(reader);
            x.amplificationGuard.install(reader);
        }
        x.secureInstalled = x.secureProcessing;
        x.cachingInstalled = x.caching;
        x.locationsPending = true;
    }
    if (x.locationsPending) {
        if (x.entityGuard.hasTrustedSchema())
            setSchemaLocation(reader, x.entityGuard.getTrustedNamespace(), configuredLocation());
        if (x.noNamespaceSet)
            setNoNamespaceSchemaLocation(reader, configuredNoNamespaceLocation());
        x.locationsPending = false;
    }
    if (x.dropPending) {
        x.dropCache(reader);
        x.dropPending = false;
    }
    // Strict mode ignores hints quietly; secure mode refuses them with a record, so it
    // keeps the reader asking for them.
    const bool ignoreHints = x.strict && !x.followHints && !x.secureProcessing;
    reader->setFeature(xercesc::XMLUni::fgXercesLoadSchema, !ignoreHints);
    reader->setFeature(xercesc::XMLUni::fgXercesSchemaFullChecking, x.fullChecking);
    xercesc::ContentHandler* own = x.strict ? &x.documentElement : nullptr;
    // A secure reader reports to the amplification guard, which passes content on. A plain
    // one reports to the document element watch alone, which leaves once it has seen it.
    x.documentElement.setDetachFrom(x.secureInstalled ? nullptr : reader);
    if (x.secureInstalled)
        x.amplificationGuard.setContentHandler(own);
    else
        reader->setContentHandler(own);
}

void ZOLSAX2Validator::discardReader()
{
    delete reader;
    reader = nullptr;
    extensions->secureInstalled = false;
    // The grammar pool went with the reader.
    extensions->cache = Extensions::Cache::NONE;
}

bool ZOLSAX2Validator::checkConfiguredSchemas()
{
    Extensions& x = *extensions;
    ZOLSAX2EntityGuard& guard = x.entityGuard;
    if (!x.strict && !(x.secureProcessing && (guard.hasTrustedSchema() || x.noNamespaceSet)))
        return true;

    // Records of these checks point at the document element when there was one, else
    // at the reader's request for the schema (secure mode), else nowhere.
    const ZOLSAX2DocumentElement& root = x.documentElement;
    const bool atRoot = x.strict && root.isSeen();
    const ZOLString line = atRoot ? longToString(root.getLine()) : guard.getRequestLine();
    const ZOLString column = atRoot ? longToString(root.getColumn()) : guard.getRequestColumn();
    const ZOLLogLocation atDocument(atRoot ? root.getSystemId() : ZOLString(), atRoot ? root.getLine() : 0,
                                    atRoot ? root.getColumn() : 0, ZOLLogEvent::LEVEL_ERROR);
    // A schema that was not loaded is a problem of the schema: its location data names it.
    const auto fail = [&](const ZOLString& why, const ZOLString* schema = nullptr) {
        const ZOLLogLocation where =
            schema == nullptr ? atDocument : ZOLLogLocation(*schema, 0, 0, ZOLLogEvent::LEVEL_ERROR);
        ZSAX::SAX_PARSE_ERROR.logAt(*log, where, line, column, why);
        return false;
    };

    if (x.strict && !guard.hasTrustedSchema() && !x.noNamespaceSet)
        return fail("no schema is configured, so nothing was validated");
    // The reader only warns when a configured schema cannot be loaded and then checks
    // nothing. In secure mode it must also have come through the guard.
    if (guard.hasTrustedSchema() && (reader->getGrammar(guard.getTrustedNamespace().wchars()) == nullptr ||
                                     (x.secureProcessing && !x.trustedSchemaArrived())))
        return fail("schema '" + configuredLocation() + "' for namespace '" + guard.getTrustedNamespace() +
                        "' could not be loaded",
                    &configuredLocation());
    if (x.noNamespaceSet &&
        (reader->getGrammar(u"") == nullptr || (x.secureProcessing && !x.noNamespaceSchemaArrived())))
        return fail("schema '" + configuredNoNamespaceLocation() + "' without target namespace could not be loaded",
                    &configuredNoNamespaceLocation());
    if (!x.strict || !root.isSeen())
        return true;
    const ZOLString& rootNamespace = root.getNamespace();
    const bool covered = rootNamespace.isEmpty()
                             ? x.noNamespaceSet
                             : guard.hasTrustedSchema() && rootNamespace == guard.getTrustedNamespace();
    if (covered)
        return true;
    if (rootNamespace.isEmpty())
        return fail("document element '" + root.getName() +
                    "' has no namespace, and no schema without target namespace is configured");
    return fail("document element '" + root.getName() + "' is in namespace '" + rootNamespace +
                "', which no configured schema is for");
}
