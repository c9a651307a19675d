#include "ZOLSAX2SkippedEntityReader.h"

#include "ZOLSAX2XercesInternals.h"

#include "ZOLSAX2SkippedEntityValidator.h"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/framework/XMLEntityDecl.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>
#include <xercesc/util/XMLString.hpp>

ZOLSAX2SkippedEntityReader::SubsetResolver::SubsetResolver()
    : next(nullptr), declared(false), publicId(255), systemId(255), expected(false), entities(nullptr)
{}

xercesc::InputSource*
ZOLSAX2SkippedEntityReader::SubsetResolver::resolveEntity(xercesc::XMLResourceIdentifier* resourceIdentifier)
{
    // The scanner asks for the external subset right after the DOCTYPE, by its identifiers.
    if (expected && resourceIdentifier->getResourceIdentifierType() == xercesc::XMLResourceIdentifier::ExternalEntity &&
        xercesc::XMLString::equals(resourceIdentifier->getSystemId(), systemId.getRawBuffer()) &&
        xercesc::XMLString::equals(resourceIdentifier->getPublicId(), publicId.getRawBuffer())) {
        expected = false;
        entities = dynamic_cast<const xercesc::ReaderMgr*>(resourceIdentifier->getLocator());
        if (read)
            return next == nullptr ? nullptr : next->resolveEntity(resourceIdentifier);
        static const XMLByte nothing[1] = {0};
        auto* empty = new xercesc::MemBufInputSource(nothing, 0, resourceIdentifier->getSystemId(), false);
        empty->setCopyBufToStream(false);
        return empty;
    }
    return next == nullptr ? nullptr : next->resolveEntity(resourceIdentifier);
}

void ZOLSAX2SkippedEntityReader::SilentDTDHandler::notationDecl(const XMLCh* const, const XMLCh* const,
                                                                const XMLCh* const)
{}

void ZOLSAX2SkippedEntityReader::SilentDTDHandler::unparsedEntityDecl(const XMLCh* const, const XMLCh* const,
                                                                      const XMLCh* const, const XMLCh* const)
{}

void ZOLSAX2SkippedEntityReader::SilentDTDHandler::resetDocType() {}

ZOLSAX2SkippedEntityReader::ZOLSAX2SkippedEntityReader(xercesc::MemoryManager* memory)
    : ZOLSAX2WatchingMemoryManager(memory), xercesc::SAX2XMLReaderImpl(this),
      validator(new ZOLSAX2SkippedEntityValidator(*this)), dtdHandler(nullptr), subsetDeclaration(nullptr)
{
    // Xerces 3.2 deletes a validator it was given only when another replaces it, so this
    // reader owns it; the scanner does not use it while being destroyed. Installing it
    // gives it the reader's error reporter, so it becomes its own reporter afterwards.
    setValidator(validator.get());
    validator->setErrorReporter(validator.get());
    xercesc::SAX2XMLReaderImpl::setXMLEntityResolver(&subset);
    keepDTDEvents();
}

ZOLSAX2SkippedEntityReader::~ZOLSAX2SkippedEntityReader()
{
    // Nothing of the scanner that goes next uses the declaration.
    freeSubsetDeclaration();
}

void ZOLSAX2SkippedEntityReader::setXMLEntityResolver(xercesc::XMLEntityResolver* const resolver)
{
    subset.next = resolver;
}

xercesc::XMLEntityResolver* ZOLSAX2SkippedEntityReader::getXMLEntityResolver() const
{
    return subset.next;
}

void ZOLSAX2SkippedEntityReader::setDTDHandler(xercesc::DTDHandler* const handler)
{
    dtdHandler = handler;
    keepDTDEvents();
}

xercesc::DTDHandler* ZOLSAX2SkippedEntityReader::getDTDHandler() const
{
    return dtdHandler;
}

void ZOLSAX2SkippedEntityReader::setLexicalHandler(xercesc::LexicalHandler* const handler)
{
    // Setting any of the three to null turns the scanner's DTD events off.
    xercesc::SAX2XMLReaderImpl::setLexicalHandler(handler);
    keepDTDEvents();
}

void ZOLSAX2SkippedEntityReader::setDeclarationHandler(xercesc::DeclHandler* const handler)
{
    xercesc::SAX2XMLReaderImpl::setDeclarationHandler(handler);
    keepDTDEvents();
}

void ZOLSAX2SkippedEntityReader::keepDTDEvents()
{
    xercesc::SAX2XMLReaderImpl::setDTDHandler(dtdHandler != nullptr ? dtdHandler : &silentDTDHandler);
}

void ZOLSAX2SkippedEntityReader::resetDocument()
{
    xercesc::SAX2XMLReaderImpl::resetDocument();
    // The last document is over and its entity stack cleared.
    freeSubsetDeclaration();
    subset.declared = false;
    subset.expected = false;
}

void ZOLSAX2SkippedEntityReader::doctypeDecl(const xercesc::DTDElementDecl& elemDecl, const XMLCh* const publicId,
                                             const XMLCh* const systemId, const bool hasIntSubset,
                                             const bool hasExtSubset)
{
    xercesc::SAX2XMLReaderImpl::doctypeDecl(elemDecl, publicId, systemId, hasIntSubset, hasExtSubset);
    subset.declared = hasExtSubset;
    subset.publicId.set(publicId);
    // The reader manager drops every U+FFFF from a system identifier before it asks the
    // resolver, so the request is recognised by the identifier without them.
    subset.systemId.reset();
    if (systemId != nullptr)
        xercesc::XMLString::removeChar(systemId, 0xFFFF, subset.systemId);
    // Parameter entities of the internal subset are resolved before the external subset.
    subset.expected = hasExtSubset && !hasIntSubset;
}

void ZOLSAX2SkippedEntityReader::endIntSubset()
{
    xercesc::SAX2XMLReaderImpl::endIntSubset();
    subset.expected = subset.declared;
}

void ZOLSAX2SkippedEntityReader::startExtSubset()
{
    xercesc::SAX2XMLReaderImpl::startExtSubset();
    // The scanner has just pushed the subset with a declaration named "DTD" of its own.
    const XMLCh dtd[] = {u'D', u'T', u'D', 0};
    const xercesc::XMLEntityDecl* current = subset.entities == nullptr ? nullptr : subset.entities->getCurrentEntity();
    if (current == nullptr || !xercesc::XMLString::equals(current->getName(), dtd))
        return;
    freeSubsetDeclaration();
    subsetDeclaration = const_cast<xercesc::XMLEntityDecl*>(current);
    watch(subsetDeclaration);
}

void ZOLSAX2SkippedEntityReader::freeSubsetDeclaration()
{
    if (subsetDeclaration != nullptr && isWatchedAllocated())
        delete subsetDeclaration;
    subsetDeclaration = nullptr;
    watch(nullptr);
}
