#ifndef ZOLSAX2AMPLIFICATIONGUARD_H
#define ZOLSAX2AMPLIFICATIONGUARD_H

#include "ZOLSAX2AmplificationBudget.h"

#include <ZOLString.h>

#include <xercesc/framework/MemoryManager.hpp>
#include <xercesc/framework/XMLDocumentHandler.hpp>
#include <xercesc/sax2/ContentHandler.hpp>

class ZOLLog;

XERCES_CPP_NAMESPACE_BEGIN
class InputSource;
class ReaderMgr;
class SAX2XMLReader;
XERCES_CPP_NAMESPACE_END

// The Xerces side of the amplification limit of secure processing: feeds a
// ZOLSAX2AmplificationBudget, which decides, and stops the reader once it says so. Internal to
// the library; the parser and the validator own one each and build their secure readers on it.
//
// Output counts the characters of every internal entity's replacement text the reader reads
// (at every level of nesting, in content, attribute values, default values and the internal
// subset) and of every defaulted attribute value it hands out; input counts the bytes it
// reads from the document.
//
// Xerces tells nobody while it expands entities inside one attribute value, so the guard
// watches the reader from below: it is the memory manager of the reader it guards. An
// entity's text is counted when the reader manager lets go of the entity's reader, that is
// once it has been read; a defaulted attribute when its element is reported; the input as the
// reader pulls it. Past the limit, the next request for memory fails with Xerces'
// OutOfMemoryException, which ends the parse at once (the owner then replaces the reader, as
// after any such failure), or, when an element is reported first, the report throws and the
// reader stays usable. Either way the guard keeps the refusal and its position for the owner
// to log. The reader manager is reached through the locator the reader hands to its content
// handler, so the guard stands between the reader and the owner's content handler.
class ZOLSAX2AmplificationGuard : public xercesc::MemoryManager, public xercesc::XMLDocumentHandler {
public:
    ZOLSAX2AmplificationGuard();
    ZOLSAX2AmplificationGuard(const ZOLSAX2AmplificationGuard&) = delete;
    ZOLSAX2AmplificationGuard& operator=(const ZOLSAX2AmplificationGuard&) = delete;
    ~ZOLSAX2AmplificationGuard() override;

    // Changes the limit for parses started later (a callback's change leaves the running
    // one alone); false, and nothing changes, when ratio is below 1 or not a number.
    bool setLimit(double ratio, unsigned long long activationBytes) noexcept
    {
        return budget.setLimit(ratio, activationBytes);
    }
    // Changes the cap for parses started later; ULLONG_MAX for none.
    void setCap(unsigned long long characters) noexcept { budget.setCap(characters); }
    // Counts the expansions of entities declared in the document's internal subset and
    // refuses the document past limit of them, with the reader's own text for its count of
    // every expansion; 0, the default, counts nothing. For a reader whose own count is off
    // because its external DTD is trusted: those entities are not counted.
    void setInternalSubsetExpansionLimit(unsigned long limit);

    // Attaches the guard to reader, which must have been created with the guard as its
    // memory manager and must not be parsing.
    void install(xercesc::SAX2XMLReader* reader);
    // The content handler the guard passes every content event on to; null for none.
    void setContentHandler(xercesc::ContentHandler* handler) noexcept { relay.inner = handler; }

    // Parses source with the reader the guard is installed in, measuring it. Throws what the
    // reader throws; after an OutOfMemoryException the reader must be discarded.
    void parse(xercesc::SAX2XMLReader* reader, const xercesc::InputSource& source);
    // True when the limit stopped the last parse.
    bool isRefused() const noexcept { return refused; }
    // Logs the refusal of the last parse as SAX_PARSE_ERROR at its position.
    void logRefusal(ZOLLog& log) const;

    // The reader's memory, passed on to Xerces' own manager.
    xercesc::MemoryManager* getExceptionMemoryManager() override;
    void* allocate(XMLSize_t size) override;
    void deallocate(void* p) override;

    // The reader's document events; only startElement counts.
    void docCharacters(const XMLCh* const chars, const XMLSize_t length, const bool cdataSection) override;
    void docComment(const XMLCh* const comment) override;
    void docPI(const XMLCh* const target, const XMLCh* const data) override;
    void endDocument() override;
    void endElement(const xercesc::XMLElementDecl& elemDecl, const unsigned int urlId, const bool isRoot,
                    const XMLCh* const prefixName) override;
    void endEntityReference(const xercesc::XMLEntityDecl& entDecl) override;
    void ignorableWhitespace(const XMLCh* const chars, const XMLSize_t length, const bool cdataSection) override;
    void resetDocument() override;
    void startDocument() override;
    void startElement(const xercesc::XMLElementDecl& elemDecl, const unsigned int urlId, const XMLCh* const elemPrefix,
                      const xercesc::RefVectorOf<xercesc::XMLAttr>& attrList, const XMLSize_t attrCount,
                      const bool isEmpty, const bool isRoot) override;
    void startEntityReference(const xercesc::XMLEntityDecl& entDecl) override;
    void XMLDecl(const XMLCh* const versionStr, const XMLCh* const encodingStr, const XMLCh* const standaloneStr,
                 const XMLCh* const autoEncodingStr) override;

private:
    // The reader's content handler: hands the locator to the guard and every event on.
    class Relay : public xercesc::ContentHandler {
    public:
        explicit Relay(ZOLSAX2AmplificationGuard& guard) : guard(guard) {}
        void characters(const XMLCh* const chars, const XMLSize_t length) override;
        void endDocument() override;
        void endElement(const XMLCh* const uri, const XMLCh* const localname, const XMLCh* const qname) override;
        void ignorableWhitespace(const XMLCh* const chars, const XMLSize_t length) override;
        void processingInstruction(const XMLCh* const target, const XMLCh* const data) override;
        void setDocumentLocator(const xercesc::Locator* const locator) override;
        void startDocument() override;
        void startElement(const XMLCh* const uri, const XMLCh* const localname, const XMLCh* const qname,
                          const xercesc::Attributes& attrs) override;
        void startPrefixMapping(const XMLCh* const prefix, const XMLCh* const uri) override;
        void endPrefixMapping(const XMLCh* const prefix) override;
        void skippedEntity(const XMLCh* const name) override;

        xercesc::ContentHandler* inner = nullptr;

    private:
        ZOLSAX2AmplificationGuard& guard;
    };
    // Thrown from a document event to stop the parse; caught by parse().
    struct Refusal {};

    // Notes the refusal and where the reader is; why replaces the budget's account.
    void refuse(const char* why = nullptr) noexcept;

    ZOLSAX2AmplificationBudget budget;
    Relay relay;

    // The state of the parse being measured.
    bool measuring;
    const xercesc::Locator* locator;
    const xercesc::ReaderMgr* readerManager;
    bool entityFreed;
    // The block of the last reader the reader manager deleted, kept for the next one: a
    // reader is 160 KB, and every entity reference pushes one. Reusing it spares a fresh
    // mapping (page faults) per expansion where the allocator maps large blocks.
    void* spareReader;
    bool refused;
    unsigned long expansionLimit = 0;
    unsigned long expansions = 0;
    ZOLString expansionText;
    ZOLString refusedSystemId;
    long refusedLine;
    long refusedColumn;
    ZOLString refusedText;
};

#endif
