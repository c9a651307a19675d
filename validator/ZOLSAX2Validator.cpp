#include "ZOLSAX2Validator.h"

#include "ZOLSAX2DocumentSource.h"
#include "ZOLSAX2ErrorHandler.h"
#include "ZOLSAX2FlagScope.h"
#include "ZOLSAX2Locations.h"
#include "ZOLSAX2Platform.h"
#include "ZOLSAX2ValidatorExtensions.h"

#include <ZSAX.h>

#include <xercesc/sax/InputSource.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>

ZOLSAX2Validator::ZOLSAX2Validator(ZOLLog* log) : log(log), reader(nullptr), errorHandler(nullptr), extensions(nullptr)
{
    try {
        ZOLSAX2Platform::initialize();
    } catch (const xercesc::XMLException& e) {
        ZSAX::XERCES_INITIALIZATION_ERROR.throwException(ZOLString(e.getMessage()));
    }

    try {
        // The handler logs to the caller's log through the additions' switch; the reader
        // lives on memory that counts, so that it is replaced once it has grown.
        extensions = new Extensions(log, reader);
        reader = ZOLSAX2ReaderOwner::createValidatorReader(
            extensions->cache.memoryFor(xercesc::XMLPlatformUtils::fgMemoryManager));
        errorHandler = new ZOLSAX2ErrorHandler(&extensions->records);
        reader->setErrorHandler(errorHandler);
    } catch (...) {
        // No destructor runs for a constructor that throws: undo what it did.
        delete reader;
        delete errorHandler;
        delete extensions;
        ZOLSAX2Platform::terminate();
        throw;
    }
    extensions->owner.setOnDiscard([this] {
        extensions->secureInstalled = false;
        extensions->measuredInstalled = false;
        extensions->cache.forgetReader();
    });
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
    extensions->pairs.clear();
    extensions->entityGuard.clearTrustedSchemas();
    addSchema(targetNamespace, location);
}

void ZOLSAX2Validator::addSchema(const ZOLString& targetNamespace, const ZOLString& location)
{
    Extensions& x = *extensions;
    x.pairs.set(targetNamespace, location);
    x.entityGuard.setTrustedSchema(targetNamespace, ZOLSAX2Locations::secure(location));
    x.schemasChanged(reader);
}

void ZOLSAX2Validator::clearSchemas()
{
    Extensions& x = *extensions;
    x.pairs.clear();
    x.entityGuard.clearTrustedSchemas();
    x.noNamespaceSet = false;
    x.noNamespaceLocation = ZOLString();
    x.entityGuard.setTrustedNoNamespaceSchema(ZOLString(), false);
    x.schemasChanged(reader);
}

void ZOLSAX2Validator::addNoNamespaceSchemaLocation(const ZOLString& location)
{
    Extensions& x = *extensions;
    x.noNamespaceSet = true;
    x.noNamespaceLocation = location;
    x.entityGuard.setTrustedNoNamespaceSchema(ZOLSAX2Locations::secure(location));
    x.schemasChanged(reader);
}

void ZOLSAX2Validator::setStrictValidation(bool on, bool followHints)
{
    extensions->strict = on;
    extensions->followHints = followHints;
}

bool ZOLSAX2Validator::validate(const ZOLFile& file)
{
    return validateSource(ZOLSAX2DocumentSource::file(ZOLString(file.getPath())));
}

bool ZOLSAX2Validator::validateMemory(const char* bytes, unsigned long length, const ZOLString& systemId)
{
    return validateSource(ZOLSAX2DocumentSource::memory(bytes, length, systemId));
}

bool ZOLSAX2Validator::validateStream(ZOLSAX2ReadFunction read, void* context, const ZOLString& systemId)
{
    return validateSource(ZOLSAX2DocumentSource::stream(read, context, systemId));
}

bool ZOLSAX2Validator::validateSource(const ZOLSAX2DocumentSource& source)
{
    Extensions& x = *extensions;
    // Called from the log during a validation: the reader refuses a second parse while one
    // runs, and so does this call, before it touches anything the running one uses.
    if (x.validating) {
        ZSAX::XERCES_XML_EXCEPTION.log(*log, ZOLSAX2ReaderOwner::inProgressMessage());
        return false;
    }
    const ZOLString& path = source.getPath();
    if (!x.schemaSet.accepts(*log, {x.secureProcessing, x.protection, x.fullChecking, &x.resolver}, path))
        return false;
    const ZOLSAX2FlagScope scope(x.validating);
    // With schemas, the reader checks only them: the DTD takes a pass of its own.
    const bool dtdOnly = x.dtd.isOn() && !x.hasSchemas();
    if (!parsePass(source, dtdOnly))
        return false;
    if (!dtdOnly && !errorHandler->errorSeen && !checkConfiguredSchemas(path))
        errorHandler->errorSeen = true;
    if (x.dtd.isOn() && !dtdOnly && !errorHandler->fatalSeen) {
        const bool schemaValid = !errorHandler->errorSeen;
        if (!source.canReopen()) {
            x.dtd.logNoPass(*log, path);
            return false;
        }
        if (!parsePass(source, true))
            return false;
        errorHandler->errorSeen = errorHandler->errorSeen || !schemaValid;
    }
    if (x.dtd.isOn() && !errorHandler->fatalSeen && !x.dtd.hasGrammar()) {
        x.dtd.logNoGrammar(*log, path);
        errorHandler->errorSeen = true;
    }
    if (reader != nullptr && x.cache.hasOutgrown(reader))
        x.owner.discard();
    return !errorHandler->errorSeen;
}

bool ZOLSAX2Validator::parsePass(const ZOLSAX2DocumentSource& source, bool dtdPass)
{
    Extensions& x = *extensions;
    x.records.clearThrown();
    const ZOLString& path = source.getPath();
    bool measured = false;
    const ZOLSAX2ReaderOwner::Outcome outcome = x.owner.run([&] {
        prepareReader();
        if (x.cache.isOn() && !dtdPass && x.schemaSet.sharedPool() == nullptr)
            x.cache.prepare(reader, errorHandler, path, x.schemas());
        x.entityGuard.reset();
        x.resolver.reset();
        x.documentElement.reset();
        measured = x.measuredInstalled;
        // A shared set's pool is locked: it takes no DTD.
        const std::unique_ptr<xercesc::InputSource> input =
            dtdPass ? x.dtd.startPass(reader, source, x.cache.isOn() && x.schemaSet.sharedPool() == nullptr) : nullptr;
        if (measured)
            x.amplificationGuard.parse(reader, input ? *input : *source.open());
        else if (input)
            reader->parse(*input);
        else if (source.isFile())
            reader->parse(path.wchars());
        else
            reader->parse(*source.open());
    });
    if (dtdPass)
        x.dtd.endPass(reader);
    return x.passSucceeded(outcome, measured, *log, *errorHandler);
}

void ZOLSAX2Validator::setDtdValidation(bool on, const ZOLString& dtdLocation)
{
    extensions->dtd.set(on, dtdLocation);
}

void ZOLSAX2Validator::setSecureProcessing(bool on)
{
    // The schemas' own references go through the guard only in secure mode, so a grammar
    // loaded in the other mode may not stand.
    if (on != extensions->secureProcessing)
        extensions->cache.requestDrop(reader, extensions->validating);
    extensions->secureProcessing = on;
}

void ZOLSAX2Validator::setSchemaCaching(bool on)
{
    if (on == extensions->cache.isOn())
        return;
    // A caching reader counts its memory; the next validate makes the reader this mode needs
    // (not this call: a log may make it while the reader is busy).
    extensions->cache.setOn(on);
    extensions->cache.requestDrop(reader, extensions->validating);
}

bool ZOLSAX2Validator::loadSchemas()
{
    Extensions& x = *extensions;
    // A loaded set's grammars are sound and locked: nothing to load, nothing to drop.
    if (x.schemaSet.sharedPool() != nullptr)
        return true;
    const ZOLSAX2SchemaCache::Schemas schemas = x.schemas();
    bool relative = schemas.noNamespace && ZOLSAX2Locations::isRelative(schemas.noNamespaceLocation);
    for (const ZOLSAX2SchemaPairs::Pair& pair : schemas.pairs)
        relative = relative || ZOLSAX2Locations::isRelative(pair.location);
    if (!x.cache.isOn() || (schemas.pairs.isEmpty() && !schemas.noNamespace) || x.validating || relative)
        return false;
    // Logs nothing: every failure is an answer of false.
    const ZOLSAX2ReaderOwner::Outcome outcome = x.owner.run([&] {
        prepareReader();
        x.cache.prepare(reader, errorHandler, ZOLString(), x.schemas());
    });
    return outcome && x.cache.isLoaded();
}

void ZOLSAX2Validator::setEncodingErrorLocation(bool on)
{
    errorHandler->badByteLocator = on ? &extensions->badByteLocator : nullptr;
}

void ZOLSAX2Validator::setSchemaFullChecking(bool on)
{
    if (on != extensions->fullChecking)
        extensions->cache.requestDrop(reader, extensions->validating);
    extensions->fullChecking = on;
}

bool ZOLSAX2Validator::setAmplificationLimit(double ratio, unsigned long long activationBytes)
{
    return extensions->amplificationGuard.setLimit(ratio, activationBytes);
}

void ZOLSAX2Validator::setAmplificationCap(unsigned long long characters)
{
    extensions->amplificationGuard.setCap(characters);
}

void ZOLSAX2Validator::setAmplificationProtection(bool on)
{
    extensions->protection = on;
}

void ZOLSAX2Validator::setResolver(ZOLSAX2Resolver resolver, void* context)
{
    extensions->resolver.set(resolver, context);
    extensions->cache.requestDrop(reader, extensions->validating);
}

void ZOLSAX2Validator::setSchemaSet(const ZOLSAX2SchemaSet* set)
{
    if (set != nullptr)
        ZOLSAX2SchemaSetUse::configure(*this, *set);
    else
        clearSchemas();
    extensions->schemaSet.use(set);
}

void ZOLSAX2Validator::prepareReader()
{
    Extensions& x = *extensions;
    // A measured reader lives on the amplification guard's memory, and a caching one loads its
    // schemas on its own, so a change of either mode takes a new reader; so does a resolver.
    const bool measure = x.secureProcessing || x.protection;
    if (reader != nullptr &&
        (x.secureInstalled != x.secureProcessing || x.measuredInstalled != measure || x.cache.needsNewReader() ||
         x.resolverInstalled != x.resolver.isSet() || x.poolInstalled != x.wantedPool()))
        x.owner.discard();
    if (reader == nullptr) {
        // With both, the count passes every request on to the guard.
        x.poolInstalled = x.wantedPool();
        reader = ZOLSAX2ReaderOwner::createValidatorReader(
            x.cache.memoryFor(measure ? static_cast<xercesc::MemoryManager*>(&x.amplificationGuard)
                                      : xercesc::XMLPlatformUtils::fgMemoryManager),
            x.poolInstalled);
        reader->setErrorHandler(errorHandler);
        x.countExpansions();
        // A shared set's grammars serve every document, as a cache's would.
        reader->setFeature(xercesc::XMLUni::fgXercesUseCachedGrammarInParse, x.schemaSet.sharedPool() != nullptr);
        if (x.secureProcessing)
            x.entityGuard.install(reader);
        if (measure)
            x.amplificationGuard.install(reader);
        if (x.resolver.isSet())
            x.resolver.install(reader, x.secureProcessing ? &x.entityGuard : nullptr);
        errorHandler->names = x.resolver.isSet() ? &x.resolver : nullptr;
        x.resolverInstalled = x.resolver.isSet();
        x.secureInstalled = x.secureProcessing;
        x.measuredInstalled = measure;
        x.locationsPending = true;
    }
    if (x.locationsPending) {
        Extensions::setSchemaLocations(reader, x.schemas());
        x.locationsPending = false;
    }
    x.cache.applyPendingDrop(reader);
    // Strict mode ignores hints quietly; secure mode refuses them with a record, so it
    // keeps the reader asking for them.
    const bool ignoreHints = x.strict && !x.followHints && !x.secureProcessing;
    reader->setFeature(xercesc::XMLUni::fgXercesLoadSchema, !ignoreHints);
    reader->setFeature(xercesc::XMLUni::fgXercesSchemaFullChecking, x.fullChecking);
    xercesc::ContentHandler* own = x.strict ? &x.documentElement : nullptr;
    // A measured reader reports to the amplification guard, which passes content on. A plain
    // one reports to the document element watch alone, which leaves once it has seen it.
    x.documentElement.setDetachFrom(x.measuredInstalled ? nullptr : reader);
    if (x.measuredInstalled)
        x.amplificationGuard.setContentHandler(own);
    else
        reader->setContentHandler(own);
}

bool ZOLSAX2Validator::checkConfiguredSchemas(const ZOLString& path)
{
    const Extensions& x = *extensions;
    ZOLSAX2SchemaCheck::Context context;
    context.strict = x.strict;
    context.followHints = x.followHints;
    context.path = path;
    context.secure = x.secureProcessing;
    context.cached = x.cache.isLoaded() || x.schemaSet.sharedPool() != nullptr;
    return x.check.check(reader, x.schemas(), context);
}
