#ifndef ZOLSAX2SKIPPEDENTITYREADER_H
#define ZOLSAX2SKIPPEDENTITYREADER_H

#include "ZOLSAX2WatchingMemoryManager.h"

#include <xercesc/framework/XMLBuffer.hpp>
#include <xercesc/parsers/SAX2XMLReaderImpl.hpp>
#include <xercesc/sax/DTDHandler.hpp>
#include <xercesc/util/XMLEntityResolver.hpp>

#include <memory>

XERCES_CPP_NAMESPACE_BEGIN
class ReaderMgr;
class XMLEntityDecl;
XERCES_CPP_NAMESPACE_END

class ZOLSAX2SkippedEntityValidator;

// The reader the parser uses while its caller listens for skipped entities: the library's
// SAX2 reader that also calls ContentHandler::skippedEntity for each reference to an entity
// it has no declaration for, where the plain reader drops the reference without a word (a
// document with an external DTD subset or a parameter entity reference, not standalone).
//
// Xerces reports such a reference only when validating, so this reader validates documents
// that have a DTD (auto validation) with a ZOLSAX2SkippedEntityValidator, which checks
// nothing and keeps every validity error from the error handler. Validation would also read
// the external DTD subset: this reader hands the scanner an empty one instead, so no more is
// read than without it. To tell that request from the others it follows the DOCTYPE, so it
// keeps the scanner's DTD events on whatever handlers are set, and it takes a resolver
// through setXMLEntityResolver only (a SAX EntityResolver would replace its own). Some
// builds of Xerces 3.2 (Debian's, against CVE-2018-1311) never free the declaration the
// scanner makes for an external subset; the reader's memory manager tells whether it was
// freed, and the reader frees it at the next document if not. The owner sets every other
// feature as for the plain reader. Internal to the library.
class ZOLSAX2SkippedEntityReader : private ZOLSAX2WatchingMemoryManager, public xercesc::SAX2XMLReaderImpl {
public:
    // A reader on memory, which must outlive it.
    explicit ZOLSAX2SkippedEntityReader(xercesc::MemoryManager* memory);
    ZOLSAX2SkippedEntityReader(const ZOLSAX2SkippedEntityReader&) = delete;
    ZOLSAX2SkippedEntityReader& operator=(const ZOLSAX2SkippedEntityReader&) = delete;
    ~ZOLSAX2SkippedEntityReader() override;

    // The resolver asked for everything but the external subset (null: the reader's own
    // resolution, as for the plain reader).
    void setXMLEntityResolver(xercesc::XMLEntityResolver* const resolver) override;
    xercesc::XMLEntityResolver* getXMLEntityResolver() const override;
    // The handlers as for the plain reader; none of them turns the DTD events off.
    void setDTDHandler(xercesc::DTDHandler* const handler) override;
    xercesc::DTDHandler* getDTDHandler() const override;
    void setLexicalHandler(xercesc::LexicalHandler* const handler) override;
    void setDeclarationHandler(xercesc::DeclHandler* const handler) override;

    // Reads the external subset the DOCTYPE names (off by default: an empty one stands in).
    void setReadExternalSubset(bool on) noexcept { subset.read = on; }
    // Forgets the last document's DOCTYPE.
    void resetDocument() override;
    // Notes the external subset the DOCTYPE names.
    void doctypeDecl(const xercesc::DTDElementDecl& elemDecl, const XMLCh* const publicId, const XMLCh* const systemId,
                     const bool hasIntSubset, const bool hasExtSubset) override;
    // The external subset comes next, if the DOCTYPE names one.
    void endIntSubset() override;
    // Watches the scanner's declaration of the external subset.
    void startExtSubset() override;

private:
    // Gives the scanner an empty external subset and passes every other request on. It is
    // always installed: the scanner asks no resolver at all once the reader has none.
    class SubsetResolver : public xercesc::XMLEntityResolver {
    public:
        SubsetResolver();
        xercesc::InputSource* resolveEntity(xercesc::XMLResourceIdentifier* resourceIdentifier) override;

        // The resolver the owner set, or null.
        xercesc::XMLEntityResolver* next;
        // The DOCTYPE names an external subset; its identifiers as given there.
        bool declared;
        xercesc::XMLBuffer publicId;
        xercesc::XMLBuffer systemId;
        // The scanner has finished the internal subset and asks for the external one next.
        bool expected;
        // The scanner's entity stack, known once the external subset is requested.
        const xercesc::ReaderMgr* entities;
        // The external subset is read as named rather than left empty.
        bool read = false;
    };

    // Stands in for a missing DTD handler: the scanner sends its DTD events to the reader
    // only while one of the DTD, lexical or declaration handlers is set.
    class SilentDTDHandler : public xercesc::DTDHandler {
    public:
        void notationDecl(const XMLCh* const name, const XMLCh* const publicId, const XMLCh* const systemId) override;
        void unparsedEntityDecl(const XMLCh* const name, const XMLCh* const publicId, const XMLCh* const systemId,
                                const XMLCh* const notationName) override;
        void resetDocType() override;
    };

    // Sets the DTD handler the owner gave, or the silent one, so DTD events keep coming.
    void keepDTDEvents();
    // Frees the last external subset's declaration if the scanner did not.
    void freeSubsetDeclaration();

    std::unique_ptr<ZOLSAX2SkippedEntityValidator> validator;
    SubsetResolver subset;
    xercesc::DTDHandler* dtdHandler;
    SilentDTDHandler silentDTDHandler;
    // The scanner's declaration of the last external subset, watched by the memory manager.
    xercesc::XMLEntityDecl* subsetDeclaration;
};

#endif
