#include "ZOLSAX2Validator.h"

#include "ZOLSAX2AmplificationGuard.h"
#include "ZOLSAX2DocumentElement.h"
#include "ZOLSAX2EntityGuard.h"
#include "ZOLSAX2ErrorHandler.h"
#include "ZOLSAX2FlagScope.h"
#include "ZOLSAX2Locations.h"
#include "ZOLSAX2Platform.h"
#include "ZOLSAX2ReaderOwner.h"
#include "ZOLSAX2RecordSwitch.h"
#include "ZOLSAX2ResourceResolver.h"
#include "ZOLSAX2SchemaCache.h"
#include "ZOLSAX2SchemaCheck.h"

#include <ZSAX.h>

#include <xercesc/sax/InputSource.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>

namespace {

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

} // namespace

struct ZOLSAX2PARSER_LOCAL ZOLSAX2Validator::Extensions {
    Extensions(ZOLLog* log, xercesc::SAX2XMLReader*& reader)
        : owner(reader), records(log), entityGuard(&records), cache(records, entityGuard),
          check(*log, entityGuard, documentElement)
    {}

    // The configured schemas in the form the current reader receives them: as given in the
    // default mode; in secure mode as the guard keeps them, resolved when configured.
    ZOLSAX2SchemaCache::Schemas schemas() const
    {
        ZOLSAX2SchemaCache::Schemas s;
        s.pair = entityGuard.hasTrustedSchema();
        s.targetNamespace = entityGuard.getTrustedNamespace();
        s.location = secureInstalled ? entityGuard.getTrustedLocation() : schemaLocation;
        s.noNamespace = noNamespaceSet;
        s.noNamespaceLocation = secureInstalled ? entityGuard.getTrustedNoNamespaceLocation() : noNamespaceLocation;
        return s;
    }

    ZOLSAX2ReaderOwner owner;
    // Every record of the reader and the guard passes through here.
    ZOLSAX2RecordSwitch records;

    // The configured locations as given, for the default mode. The guard keeps the namespace
    // and the locations a secure reader receives. A rebuilt reader gets them back.
    ZOLString schemaLocation;
    bool noNamespaceSet = false;
    ZOLString noNamespaceLocation;

    bool strict = false;
    bool followHints = false;
    // Full schema constraint checking; off only on request.
    bool fullChecking = true;

    // Secure processing as asked for, and as built into the current reader.
    bool secureProcessing = false;
    bool secureInstalled = false;
    ZOLSAX2EntityGuard entityGuard;
    // The memory of a secure reader, which measures what it expands.
    ZOLSAX2AmplificationGuard amplificationGuard;
    // The application's resolver, and whether the current reader asks it.
    ZOLSAX2ResourceResolver resolver;
    bool resolverInstalled = false;

    // Installed as the reader's content handler while strict validation is on.
    ZOLSAX2DocumentElement documentElement;
    ZOLSAX2SchemaCache cache;
    ZOLSAX2SchemaCheck check;

    // Set while validate() runs: the log may call back into the validator meanwhile.
    bool validating = false;
    // Schema locations given while the reader was busy; handed to it at the next validation.
    bool locationsPending = false;
};

ZOLSAX2Validator::ZOLSAX2Validator(ZOLLog* log) : log(log), reader(nullptr), errorHandler(nullptr), extensions(nullptr)
{
    try {
        ZOLSAX2Platform::initialize();
    } catch (const xercesc::XMLException& e) {
        ZSAX::XERCES_INITIALIZATION_ERROR.throwException(ZOLString(e.getMessage()));
    }

    reader = ZOLSAX2ReaderOwner::createValidatorReader(xercesc::XMLPlatformUtils::fgMemoryManager);

    // The handler logs to the caller's log through the additions' switch.
    extensions = new Extensions(log, reader);
    extensions->owner.setOnDiscard([this] {
        extensions->secureInstalled = false;
        extensions->cache.forgetReader();
    });
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
    x.entityGuard.setTrustedSchema(targetNamespace, ZOLSAX2Locations::secure(location));
    if (reader != nullptr && !x.validating)
        setSchemaLocation(reader, targetNamespace, x.schemas().location);
    else
        x.locationsPending = true;
    x.cache.requestDrop(reader, x.validating);
}

void ZOLSAX2Validator::addNoNamespaceSchemaLocation(const ZOLString& location)
{
    Extensions& x = *extensions;
    x.noNamespaceSet = true;
    x.noNamespaceLocation = location;
    x.entityGuard.setTrustedNoNamespaceSchema(ZOLSAX2Locations::secure(location));
    if (reader != nullptr && !x.validating)
        setNoNamespaceSchemaLocation(reader, x.schemas().noNamespaceLocation);
    else
        x.locationsPending = true;
    x.cache.requestDrop(reader, x.validating);
}

void ZOLSAX2Validator::setStrictValidation(bool on, bool followHints)
{
    extensions->strict = on;
    extensions->followHints = followHints;
}

bool ZOLSAX2Validator::validate(const ZOLFile& file)
{
    Extensions& x = *extensions;
    // Called from the log during a validation: the reader refuses a second parse while one
    // runs, and so does this call, before it touches anything the running one uses.
    if (x.validating) {
        ZSAX::XERCES_XML_EXCEPTION.log(*log, ZOLSAX2ReaderOwner::inProgressMessage());
        return false;
    }
    const ZOLSAX2FlagScope scope(x.validating);
    x.records.clearThrown();
    ZOLSAX2AmplificationGuard& amplification = x.amplificationGuard;
    const ZOLString path(file.getPath());
    bool measured = false;
    const ZOLSAX2ReaderOwner::Outcome outcome = x.owner.run([&] {
        prepareReader();
        if (x.cache.isOn())
            x.cache.prepare(reader, errorHandler, path, x.schemas());
        x.entityGuard.reset();
        x.resolver.reset();
        x.documentElement.reset();
        measured = x.secureInstalled;
        if (measured)
            amplification.parse(reader, *ZOLSAX2Locations::openSource(path));
        else
            reader->parse(path.wchars());
    });
    if (outcome.failure == ZOLSAX2ReaderOwner::Failure::OUT_OF_MEMORY && !x.records.hasThrown()) {
        if (measured && amplification.isRefused())
            amplification.logRefusal(*log);
        else
            ZSAX::XERCES_OUT_OF_MEMORY.log(*log);
        return false;
    }
    if (!outcome) {
        // The log's own exception, a SAX exception, and outside secure mode the schema
        // reader's DOM exception reach the caller unchanged.
        if (x.records.hasThrown() || outcome.failure == ZOLSAX2ReaderOwner::Failure::SAX_EXCEPTION ||
            (outcome.failure == ZOLSAX2ReaderOwner::Failure::DOM_EXCEPTION && !x.secureProcessing))
            outcome.rethrow();
        ZSAX::XERCES_XML_EXCEPTION.log(*log, outcome.message);
        return false;
    }
    if (measured && amplification.isRefused()) {
        amplification.logRefusal(*log);
        return false;
    }
    if (x.entityGuard.getRefusals() > 0 || x.resolver.getRefusals() > 0)
        errorHandler->errorSeen = true;
    if (!errorHandler->errorSeen && !checkConfiguredSchemas(path))
        errorHandler->errorSeen = true;
    if (x.cache.isOn() && x.cache.hasOutgrown(reader))
        x.owner.discard();
    return !errorHandler->errorSeen;
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
    const ZOLSAX2SchemaCache::Schemas schemas = x.schemas();
    if (!x.cache.isOn() || !(schemas.pair || schemas.noNamespace) || x.validating ||
        (schemas.pair && ZOLSAX2Locations::isRelative(schemas.location)) ||
        (schemas.noNamespace && ZOLSAX2Locations::isRelative(schemas.noNamespaceLocation)))
        return false;
    // Logs nothing: every failure is an answer of false.
    const ZOLSAX2ReaderOwner::Outcome outcome = x.owner.run([&] {
        prepareReader();
        x.cache.prepare(reader, errorHandler, ZOLString(), x.schemas());
    });
    return outcome && x.cache.isLoaded();
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

void ZOLSAX2Validator::setResolver(ZOLSAX2Resolver resolver, void* context)
{
    extensions->resolver.set(resolver, context);
    extensions->cache.requestDrop(reader, extensions->validating);
}

void ZOLSAX2Validator::prepareReader()
{
    Extensions& x = *extensions;
    // A secure reader lives on the amplification guard's memory, a caching one on memory that
    // counts, so a change of either mode takes a new reader.
    if (reader != nullptr && (x.secureInstalled != x.secureProcessing || x.cache.needsNewReader() ||
                              x.resolverInstalled != x.resolver.isSet()))
        x.owner.discard();
    if (reader == nullptr) {
        // With both, the count passes every request on to the guard.
        reader = ZOLSAX2ReaderOwner::createValidatorReader(
            x.cache.memoryFor(x.secureProcessing ? static_cast<xercesc::MemoryManager*>(&x.amplificationGuard)
                                                 : xercesc::XMLPlatformUtils::fgMemoryManager));
        reader->setErrorHandler(errorHandler);
        if (x.secureProcessing) {
            x.entityGuard.install(reader);
            x.amplificationGuard.install(reader);
        }
        if (x.resolver.isSet())
            x.resolver.install(reader, x.secureProcessing ? &x.entityGuard : nullptr);
        errorHandler->names = x.resolver.isSet() ? &x.resolver : nullptr;
        x.resolverInstalled = x.resolver.isSet();
        x.secureInstalled = x.secureProcessing;
        x.locationsPending = true;
    }
    if (x.locationsPending) {
        const ZOLSAX2SchemaCache::Schemas schemas = x.schemas();
        if (schemas.pair)
            setSchemaLocation(reader, schemas.targetNamespace, schemas.location);
        if (schemas.noNamespace)
            setNoNamespaceSchemaLocation(reader, schemas.noNamespaceLocation);
        x.locationsPending = false;
    }
    x.cache.applyPendingDrop(reader);
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

bool ZOLSAX2Validator::checkConfiguredSchemas(const ZOLString& path)
{
    const Extensions& x = *extensions;
    ZOLSAX2SchemaCheck::Context context;
    context.strict = x.strict;
    context.followHints = x.followHints;
    context.path = path;
    context.secure = x.secureProcessing;
    context.cached = x.cache.isLoaded();
    return x.check.check(reader, x.schemas(), context);
}
