#include "ZOLSAX2Parser.h"

#include "ZOLSAX2AmplificationGuard.h"
#include "ZOLSAX2BadByteLocator.h"
#include "ZOLSAX2ContentHandler.h"
#include "ZOLSAX2EntityGuard.h"
#include "ZOLSAX2ErrorHandler.h"
#include "ZOLSAX2FlagScope.h"
#include "ZOLSAX2LongToString.h"
#include "ZOLSAX2NamespaceChecker.h"
#include "ZOLSAX2Platform.h"
#include "ZOLSAX2ReaderOwner.h"
#include "ZOLSAX2ResourceResolver.h"

#include <ZSAX.h>

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/framework/StdInInputSource.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>

struct ZOLSAX2Parser::Extensions {
    Extensions(ZOLLog* log, xercesc::SAX2XMLReader*& reader) : owner(reader), entityGuard(log) {}

    ZOLSAX2ReaderOwner owner;

    // Secure processing as asked for, and as built into the current reader.
    bool secureProcessing = false;
    bool secureInstalled = false;
    // Amplification protection as asked for; the current reader is measured.
    bool protection = false;
    bool measuredInstalled = false;
    // The current reader is the one that reports skipped entities.
    bool skippedEntityReader = false;
    ZOLSAX2EntityGuard entityGuard;
    // The memory of a secure reader, which measures what it expands.
    ZOLSAX2AmplificationGuard amplificationGuard;
    // Made when namespace checking is first asked for.
    std::unique_ptr<ZOLSAX2NamespaceChecker> namespaceChecker;
    ZOLSAX2BadByteLocator badByteLocator;
    // The application's resolver, and whether the current reader asks it.
    ZOLSAX2ResourceResolver resolver;
    bool resolverInstalled = false;
    // The external DTD as asked for, and as set in the current reader.
    bool loadExternalDtd = false;
    bool loadExternalDtdInstalled = false;
};

ZOLSAX2Parser::ZOLSAX2Parser(void* userData, ZOLLog* log, StartElementCallback startElementCallback,
                             EndElementCallback endElementCallback, CharactersCallback charactersCallback,
                             ProcessingInstructionCallback processingInstructionCallback)
    : log(log), contentHandler(nullptr), errorHandler(nullptr), reader(nullptr), extensions(nullptr)
{
    try {
        ZOLSAX2Platform::initialize();
    } catch (const xercesc::XMLException& e) {
        ZSAX::XERCES_INITIALIZATION_ERROR.throwException(ZOLString(e.getMessage()));
    }

    try {
        reader = ZOLSAX2ReaderOwner::createParserReader(false, xercesc::XMLPlatformUtils::fgMemoryManager);
        contentHandler = new ZOLSAX2ContentHandler(userData, startElementCallback, endElementCallback,
                                                   charactersCallback, processingInstructionCallback);
        reader->setContentHandler(contentHandler);
        errorHandler = new ZOLSAX2ErrorHandler(log);
        reader->setErrorHandler(errorHandler);
        extensions = new Extensions(log, reader);
    } catch (...) {
        // No destructor runs for a constructor that throws: undo what it did.
        delete extensions;
        delete errorHandler;
        delete contentHandler;
        delete reader;
        ZOLSAX2Platform::terminate();
        throw;
    }
    extensions->owner.setOnDiscard([this] {
        // The locator was the discarded reader's.
        contentHandler->locator = nullptr;
        extensions->secureInstalled = false;
        extensions->measuredInstalled = false;
    });
}

ZOLSAX2Parser::~ZOLSAX2Parser()
{
    if (contentHandler != nullptr) {
        delete contentHandler;
        contentHandler = nullptr;
    }
    if (errorHandler != nullptr) {
        delete errorHandler;
        errorHandler = nullptr;
    }
    if (reader != nullptr) {
        delete reader;
        reader = nullptr;
    }
    if (extensions != nullptr) {
        delete extensions;
        extensions = nullptr;
    }
    ZOLSAX2Platform::terminate();
}

void ZOLSAX2Parser::parseFile(const ZOLFile& file)
{
    const ZOLString path(file.getPath());
    xercesc::LocalFileInputSource source(reinterpret_cast<const XMLCh*>(path.wchars()));
    parse(&source);
}

void ZOLSAX2Parser::parseStdIn()
{
    xercesc::StdInInputSource source;
    parse(&source);
}

void ZOLSAX2Parser::parseString(const ZOLString& text)
{
    xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.chars()), text.length(), "memory", false);
    extensions->badByteLocator.setMemory(text.chars(), static_cast<std::size_t>(text.length()), "memory");
    try {
        parse(&source);
    } catch (...) {
        extensions->badByteLocator.setMemory(nullptr, 0, nullptr);
        throw;
    }
    extensions->badByteLocator.setMemory(nullptr, 0, nullptr);
}

ZOLString ZOLSAX2Parser::getPosition() const
{
    const xercesc::Locator* locator = contentHandler->getLocator();
    if (!contentHandler->isParsing() || locator == nullptr)
        return ZOLString();
    const ZOLString line = longToString(static_cast<long>(locator->getLineNumber()));
    const ZOLString column = longToString(static_cast<long>(locator->getColumnNumber()));
    return line + ":" + column;
}

void ZOLSAX2Parser::setLoadExternalDtd(bool on)
{
    extensions->loadExternalDtd = on;
}

void ZOLSAX2Parser::setSecureProcessing(bool on)
{
    extensions->secureProcessing = on;
}

void ZOLSAX2Parser::setSkippedEntityCallback(SkippedEntityCallback callback)
{
    contentHandler->skippedEntityCallback = callback;
}

void ZOLSAX2Parser::setNamespaceChecking(bool on)
{
    if (on && !extensions->namespaceChecker)
        extensions->namespaceChecker = std::make_unique<ZOLSAX2NamespaceChecker>(*errorHandler);
    contentHandler->namespaceChecker = on ? extensions->namespaceChecker.get() : nullptr;
}

void ZOLSAX2Parser::setEncodingErrorLocation(bool on)
{
    errorHandler->badByteLocator = on ? &extensions->badByteLocator : nullptr;
}

bool ZOLSAX2Parser::setAmplificationLimit(double ratio, unsigned long long activationBytes)
{
    return extensions->amplificationGuard.setLimit(ratio, activationBytes);
}

void ZOLSAX2Parser::stopParse()
{
    // Outside a parse there is nothing to end, and the next parse must not end at once.
    if (contentHandler->parsing)
        contentHandler->stop.request();
}

void ZOLSAX2Parser::setAmplificationCap(unsigned long long characters)
{
    extensions->amplificationGuard.setCap(characters);
}

void ZOLSAX2Parser::setAmplificationProtection(bool on)
{
    extensions->protection = on;
}

void ZOLSAX2Parser::setResolver(ZOLSAX2Resolver resolver, void* context)
{
    extensions->resolver.set(resolver, context);
}

void ZOLSAX2Parser::parse(xercesc::InputSource* source)
{
    // A callback parsing on its own parser: the reader refuses a second parse while one
    // runs, and so does this call, before it touches anything the running parse uses.
    if (contentHandler->parsing)
        ZSAX::XERCES_XML_EXCEPTION.throwException(ZOLSAX2ReaderOwner::inProgressMessage());
    prepareReader();
    errorHandler->warningSeen = false;
    errorHandler->errorSeen = false;
    extensions->entityGuard.reset();
    contentHandler->stop.reset();
    extensions->resolver.reset();
    // Until this document starts, there is no position to give.
    contentHandler->locator = nullptr;
    ZOLSAX2AmplificationGuard& amplification = extensions->amplificationGuard;
    const bool measured = extensions->measuredInstalled;
    ZOLSAX2ReaderOwner::Outcome outcome;
    {
        const ZOLSAX2FlagScope scope(contentHandler->parsing);
        outcome = extensions->owner.run([&] {
            if (measured)
                amplification.parse(reader, *source);
            else
                reader->parse(*source);
        });
    }
    if (outcome.failure == ZOLSAX2ReaderOwner::Failure::OUT_OF_MEMORY && !(measured && amplification.isRefused()))
        ZSAX::XERCES_OUT_OF_MEMORY.throwException();
    if (outcome.failure == ZOLSAX2ReaderOwner::Failure::XML_EXCEPTION)
        ZSAX::XERCES_XML_EXCEPTION.throwException(outcome.message);
    if (outcome.failure == ZOLSAX2ReaderOwner::Failure::SAX_EXCEPTION ||
        outcome.failure == ZOLSAX2ReaderOwner::Failure::DOM_EXCEPTION)
        outcome.rethrow();
    if (measured && amplification.isRefused()) {
        amplification.logRefusal(*log);
        errorHandler->errorSeen = true;
    }
    if (extensions->entityGuard.getRefusals() > 0 || extensions->resolver.getRefusals() > 0)
        errorHandler->errorSeen = true;
    if (errorHandler->errorSeen)
        ZSAX::XML_PARSE_FAILED.throwException(ZOLString(source->getSystemId()));
}

void ZOLSAX2Parser::prepareReader()
{
    Extensions& x = *extensions;
    // Only a caller who listens for skipped entities pays for the reader that finds them. A
    // measured reader lives on the amplification guard's memory. Any change takes a new reader.
    const bool reportSkippedEntities = contentHandler->skippedEntityCallback != nullptr;
    const bool measure = x.secureProcessing || x.protection;
    if (reader != nullptr &&
        (x.secureInstalled != x.secureProcessing || x.measuredInstalled != measure ||
         x.skippedEntityReader != reportSkippedEntities || x.resolverInstalled != x.resolver.isSet() ||
         x.loadExternalDtdInstalled != x.loadExternalDtd))
        x.owner.discard();
    if (reader != nullptr)
        return;
    const ZOLSAX2ReaderOwner::Outcome outcome = x.owner.run([&] {
        reader = ZOLSAX2ReaderOwner::createParserReader(
            reportSkippedEntities, measure ? &x.amplificationGuard : xercesc::XMLPlatformUtils::fgMemoryManager);
        reader->setContentHandler(contentHandler);
        reader->setErrorHandler(errorHandler);
        if (x.loadExternalDtd)
            ZOLSAX2ReaderOwner::readExternalDtd(reader);
        // With a resolver, entities of a trusted external DTD do not count; those of the
        // internal subset still do.
        const bool trusting = x.secureProcessing && x.resolver.isSet() && x.loadExternalDtd;
        x.entityGuard.setReaderCount(!trusting);
        x.amplificationGuard.setInternalSubsetExpansionLimit(trusting ? ZOLSAX2EntityGuard::EXPANSION_LIMIT : 0);
        if (x.secureProcessing)
            x.entityGuard.install(reader);
        if (measure) {
            x.amplificationGuard.setContentHandler(contentHandler);
            x.amplificationGuard.install(reader);
        }
        if (x.resolver.isSet())
            x.resolver.install(reader, x.secureProcessing ? &x.entityGuard : nullptr);
        errorHandler->names = x.resolver.isSet() ? &x.resolver : nullptr;
        x.secureInstalled = x.secureProcessing;
        x.measuredInstalled = measure;
        x.skippedEntityReader = reportSkippedEntities;
        x.resolverInstalled = x.resolver.isSet();
        x.loadExternalDtdInstalled = x.loadExternalDtd;
    });
    if (outcome.failure == ZOLSAX2ReaderOwner::Failure::OUT_OF_MEMORY)
        ZSAX::XERCES_OUT_OF_MEMORY.throwException();
    // A setting the reader refuses fails the call with the catalogue's exception, not the
    // reader's own.
    if (outcome.failure == ZOLSAX2ReaderOwner::Failure::SAX_EXCEPTION)
        ZSAX::XERCES_XML_EXCEPTION.throwException(outcome.message);
    if (!outcome)
        outcome.rethrow();
}
