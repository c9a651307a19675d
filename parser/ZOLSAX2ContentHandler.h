#ifndef ZOLSAX2CONTENTHANDLER_H
#define ZOLSAX2CONTENTHANDLER_H

#include "ZOLSAX2ParseStop.h"
#include "ZOLSAX2Parser.h"

#include <ZOLString.h>

#include <xercesc/sax2/ContentHandler.hpp>

// Bridge from the reader's events to the caller's four callbacks. Every name and text is
// converted from the reader's UTF-16 to a UTF-8 ZOLString that lives until the callback
// returns. An event whose callback is null costs nothing. Besides the four callbacks of
// the constructor, the parser may set a fifth for skipped entities, which only the
// ZOLSAX2SkippedEntityReader calls (through skippedEntity). Internal to the library.
class ZOLSAX2NamespaceChecker;

class ZOLSAX2ContentHandler : public xercesc::ContentHandler {
public:
    // Keeps the caller's context pointer and callbacks; any callback may be null.
    ZOLSAX2ContentHandler(void* userData, StartElementCallback startElementCallback,
                          EndElementCallback endElementCallback, CharactersCallback charactersCallback,
                          ProcessingInstructionCallback processingInstructionCallback);
    ZOLSAX2ContentHandler(const ZOLSAX2ContentHandler&) = delete;
    ZOLSAX2ContentHandler& operator=(const ZOLSAX2ContentHandler&) = delete;
    ~ZOLSAX2ContentHandler() override;

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

    // Set while the owning parser runs a parse.
    bool isParsing() const noexcept { return parsing; }
    // The reader's locator once a document has started, otherwise null.
    const xercesc::Locator* getLocator() const noexcept { return locator; }

private:
    friend class ZOLSAX2Parser;

    bool parsing;
    void* userData;
    StartElementCallback startElementCallback;
    EndElementCallback endElementCallback;
    CharactersCallback charactersCallback;
    ProcessingInstructionCallback processingInstructionCallback;
    const xercesc::Locator* locator;
    // An addition, set by the parser; null unless the caller asked for it.
    SkippedEntityCallback skippedEntityCallback;
    // An addition, set by the parser: checks namespace constraints when not null.
    ZOLSAX2NamespaceChecker* namespaceChecker = nullptr;
    // Asked for by a callback through the parser; checked after each callback returns.
    ZOLSAX2ParseStop stop;
    // The high half of a surrogate pair that ended the last run of text; 0 when none.
    char16_t pendingHighSurrogate;

    void charactersAcrossRuns(const XMLCh* chars, XMLSize_t length);
    void flushPendingHighSurrogate();
};

#endif
