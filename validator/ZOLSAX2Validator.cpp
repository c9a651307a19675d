#include "ZOLSAX2Validator.h"

#include "ZOLSAX2EntityGuard.h"
#include "ZOLSAX2ErrorHandler.h"

#include <ZSAX.h>

#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>

namespace {

// A reader with the validator's fixed configuration, in this order and nothing else.
xercesc::SAX2XMLReader* createConfiguredReader()
{
    xercesc::SAX2XMLReader* reader =
        xercesc::XMLReaderFactory::createXMLReader(xercesc::XMLPlatformUtils::fgMemoryManager, nullptr);
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

} // namespace

ZOLSAX2Validator::ZOLSAX2Validator(ZOLLog* log)
    : log(log), reader(nullptr), errorHandler(nullptr), secureProcessing(false), entityGuard(nullptr),
      secureInstalled(false)
{
    try {
        xercesc::XMLPlatformUtils::Initialize();
    } catch (const xercesc::XMLException& e) {
        ZSAX::XERCES_INITIALIZATION_ERROR.throwException(ZOLString(e.getMessage()));
    }

    reader = createConfiguredReader();

    errorHandler = new ZOLSAX2ErrorHandler(log);
    reader->setErrorHandler(errorHandler);
    entityGuard = new ZOLSAX2EntityGuard(log);
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
    if (entityGuard != nullptr) {
        delete entityGuard;
        entityGuard = nullptr;
    }
    xercesc::XMLPlatformUtils::Terminate();
}

void ZOLSAX2Validator::addSchemaLocation(const ZOLString& targetNamespace, const ZOLString& location)
{
    // The guard keeps the pair too: it is the one schema secure processing opens, and a
    // rebuilt reader gets it back from there.
    entityGuard->setTrustedSchema(targetNamespace, location);
    if (reader != nullptr)
        setSchemaLocation(reader, targetNamespace, location);
}

bool ZOLSAX2Validator::validate(const ZOLFile& file)
{
    try {
        prepareReader();
        entityGuard->reset();
        const ZOLString path(file.getPath());
        reader->parse(path.wchars());
    } catch (const xercesc::OutOfMemoryException&) {
        // The reader stays "in progress" for good after this; a fresh one replaces it at
        // the next validation.
        discardReader();
        ZSAX::XERCES_OUT_OF_MEMORY.log(*log);
        return false;
    } catch (const xercesc::XMLException& e) {
        ZSAX::XERCES_XML_EXCEPTION.log(*log, ZOLString(e.getMessage()));
        return false;
    }
    if (entityGuard->getRefusals() > 0)
        errorHandler->errorSeen = true;
    if (secureProcessing && entityGuard->hasTrustedSchema() && !errorHandler->errorSeen && !isTrustedSchemaLoaded()) {
        // The reader only warns when the schema cannot be loaded and then checks nothing.
        ZSAX::SAX_PARSE_ERROR.log(*log, entityGuard->getRequestLine(), entityGuard->getRequestColumn(),
                                  "schema '" + entityGuard->getTrustedLocation() + "' for namespace '" +
                                      entityGuard->getTrustedNamespace() + "' could not be loaded");
        errorHandler->errorSeen = true;
    }
    return !errorHandler->errorSeen;
}

void ZOLSAX2Validator::setSecureProcessing(bool on)
{
    secureProcessing = on;
}

void ZOLSAX2Validator::prepareReader()
{
    if (reader == nullptr) {
        reader = createConfiguredReader();
        reader->setErrorHandler(errorHandler);
        if (entityGuard->hasTrustedSchema())
            setSchemaLocation(reader, entityGuard->getTrustedNamespace(), entityGuard->getTrustedLocation());
        secureInstalled = false;
    }
    if (secureInstalled != secureProcessing) {
        entityGuard->install(reader, secureProcessing);
        secureInstalled = secureProcessing;
    }
}

void ZOLSAX2Validator::discardReader()
{
    delete reader;
    reader = nullptr;
    secureInstalled = false;
}

bool ZOLSAX2Validator::isTrustedSchemaLoaded()
{
    // Grammars loaded by a parse stay with the reader until the next one starts.
    return entityGuard->isTrustedSchemaRequested() &&
           reader->getGrammar(entityGuard->getTrustedNamespace().wchars()) != nullptr;
}
