#ifndef ZOLSAX2DOCUMENTELEMENT_H
#define ZOLSAX2DOCUMENTELEMENT_H

#include <ZOLString.h>

#include <xercesc/sax2/ContentHandler.hpp>

XERCES_CPP_NAMESPACE_BEGIN
class SAX2XMLReader;
XERCES_CPP_NAMESPACE_END

// The validator's own content handler: it notes the document element (namespace, name and
// where it starts) and lets everything else go, so that strict validation can tell whether
// the document was checked against the configured schema. Installed only while a setting
// needs it. Once it has seen the document element it can take itself off its reader, so
// that the reader stops building SAX events for the rest of the document (about a twentieth
// of the time of validating a DocBook article). Internal to the library.
class ZOLSAX2DocumentElement : public xercesc::ContentHandler {
public:
    ZOLSAX2DocumentElement();
    ZOLSAX2DocumentElement(const ZOLSAX2DocumentElement&) = delete;
    ZOLSAX2DocumentElement& operator=(const ZOLSAX2DocumentElement&) = delete;
    ~ZOLSAX2DocumentElement() override;

    // Forgets the last document; call before each parse.
    void reset();
    // The reader to leave once the document element was seen (null: stay). The reader takes
    // its content handler back at the next document, when its owner sets it again; only the
    // owner's reader may be given, and only while this is its content handler.
    void setDetachFrom(xercesc::SAX2XMLReader* reader) noexcept { detachFrom = reader; }
    // True once a document element was seen since the last reset.
    bool isSeen() const noexcept { return seen; }
    // Its namespace URI (empty for none), its qualified name, and where it starts.
    const ZOLString& getNamespace() const noexcept { return uri; }
    const ZOLString& getName() const noexcept { return name; }
    const ZOLString& getSystemId() const noexcept { return systemId; }
    long getLine() const noexcept { return line; }
    long getColumn() const noexcept { return column; }

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

private:
    xercesc::SAX2XMLReader* detachFrom;
    const xercesc::Locator* locator;
    bool seen;
    ZOLString uri;
    ZOLString name;
    ZOLString systemId;
    long line;
    long column;
};

#endif
