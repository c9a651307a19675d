#include "SuiteReader.h"

#include <ZOLString.h>

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <memory>

SuiteReader::SuiteReader()
{
    xercesc::XMLPlatformUtils::Initialize();
}

SuiteReader::~SuiteReader()
{
    xercesc::XMLPlatformUtils::Terminate();
}

void SuiteReader::parse(const std::string& path, xercesc::DefaultHandler& handler, bool namespaces) const
{
    std::unique_ptr<xercesc::SAX2XMLReader> reader(xercesc::XMLReaderFactory::createXMLReader());
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, namespaces);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreValidation, false);
    reader->setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, false);
    // xsi:schemaLocation hints point at the web; nothing here is validated.
    reader->setFeature(xercesc::XMLUni::fgXercesSchema, false);
    reader->setFeature(xercesc::XMLUni::fgXercesLoadSchema, false);
    reader->setContentHandler(&handler);
    reader->setErrorHandler(&handler);
    const ZOLString file(path.c_str());
    xercesc::LocalFileInputSource source(file.wchars());
    reader->parse(source);
}
