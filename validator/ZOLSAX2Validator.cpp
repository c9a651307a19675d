#include "ZOLSAX2Validator.h"

#include "ZOLSAX2ErrorHandler.h"

#include <ZSAX.h>

#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>

ZOLSAX2Validator::ZOLSAX2Validator(ZOLLog* log) : log(log), reader(nullptr), errorHandler(nullptr), secureProcessing(false)
{
    try {
        xercesc::XMLPlatformUtils::Initialize();
    } catch (const xercesc::XMLException& e) {
        ZSAX::XERCES_INITIALIZATION_ERROR.throwException(ZOLString(e.getMessage()));
    }

    reader = xercesc::XMLReaderFactory::createXMLReader(xercesc::XMLPlatformUtils::fgMemoryManager, nullptr);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpacePrefixes, false);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreValidation, true);
    reader->setFeature(xercesc::XMLUni::fgXercesDynamic, true);
    reader->setFeature(xercesc::XMLUni::fgXercesSchema, true);
    reader->setFeature(xercesc::XMLUni::fgXercesSchemaFullChecking, true);
    reader->setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, true);
    reader->setFeature(xercesc::XMLUni::fgXercesIdentityConstraintChecking, false);
    reader->setFeature(xercesc::XMLUni::fgXercesCalculateSrcOfs, true);

    errorHandler = new ZOLSAX2ErrorHandler(log);
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
    xercesc::XMLPlatformUtils::Terminate();
}

void ZOLSAX2Validator::addSchemaLocation(const ZOLString& targetNamespace, const ZOLString& location)
{
    ZOLString pair;
    pair.add(targetNamespace.chars(), " ", location.chars(), static_cast<const char*>(nullptr));
    // The reader copies the value. The UTF-16 form comes from our own exact UTF-8
    // conversion, so non-ASCII paths and namespaces survive whatever the process locale.
    reader->setProperty(xercesc::XMLUni::fgXercesSchemaExternalSchemaLocation,
                        const_cast<char16_t*>(pair.wchars()));
}

bool ZOLSAX2Validator::validate(const ZOLFile& file)
{
    try {
        const ZOLString path(file.getPath());
        reader->parse(path.wchars());
    } catch (const xercesc::OutOfMemoryException&) {
        ZSAX::XERCES_OUT_OF_MEMORY.log(*log);
        return false;
    } catch (const xercesc::XMLException& e) {
        ZSAX::XERCES_XML_EXCEPTION.log(*log, ZOLString(e.getMessage()));
        return false;
    }
    return !errorHandler->errorSeen;
}

void ZOLSAX2Validator::setSecureProcessing(bool on)
{
    secureProcessing = on;
}
