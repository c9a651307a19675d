#include "ZOLSAX2DocumentElement.h"

#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>

ZOLSAX2DocumentElement::ZOLSAX2DocumentElement()
    : detachFrom(nullptr), locator(nullptr), seen(false), line(0), column(0)
{}

ZOLSAX2DocumentElement::~ZOLSAX2DocumentElement() = default;

void ZOLSAX2DocumentElement::reset()
{
    seen = false;
    uri = ZOLString();
    name = ZOLString();
    systemId = ZOLString();
    line = 0;
    column = 0;
}

void ZOLSAX2DocumentElement::startElement(const XMLCh* const elementUri, const XMLCh* const, const XMLCh* const qname,
                                          const xercesc::Attributes&)
{
    if (seen)
        return;
    seen = true;
    uri = elementUri == nullptr ? ZOLString() : ZOLString(elementUri);
    name = ZOLString(qname);
    if (locator != nullptr) {
        systemId = locator->getSystemId() == nullptr ? ZOLString() : ZOLString(locator->getSystemId());
        line = static_cast<long>(locator->getLineNumber());
        column = static_cast<long>(locator->getColumnNumber());
    }
    // The reader guards every later use of its content handler and forgets its element
    // stack when the next document starts.
    if (detachFrom != nullptr)
        detachFrom->setContentHandler(nullptr);
}

void ZOLSAX2DocumentElement::setDocumentLocator(const xercesc::Locator* const documentLocator)
{
    locator = documentLocator;
}

void ZOLSAX2DocumentElement::characters(const XMLCh* const, const XMLSize_t) {}
void ZOLSAX2DocumentElement::endDocument() {}
void ZOLSAX2DocumentElement::endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const) {}
void ZOLSAX2DocumentElement::ignorableWhitespace(const XMLCh* const, const XMLSize_t) {}
void ZOLSAX2DocumentElement::processingInstruction(const XMLCh* const, const XMLCh* const) {}
void ZOLSAX2DocumentElement::startDocument() {}
void ZOLSAX2DocumentElement::startPrefixMapping(const XMLCh* const, const XMLCh* const) {}
void ZOLSAX2DocumentElement::endPrefixMapping(const XMLCh* const) {}
void ZOLSAX2DocumentElement::skippedEntity(const XMLCh* const) {}
