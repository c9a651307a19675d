#ifndef ZOLSAX2DTDCHECK_H
#define ZOLSAX2DTDCHECK_H

#include <ZOLString.h>

#include <xercesc/sax2/LexicalHandler.hpp>
#include <xercesc/util/XMLEntityResolver.hpp>

class ZOLLog;

XERCES_CPP_NAMESPACE_BEGIN
class SAX2XMLReader;
XERCES_CPP_NAMESPACE_END

// The validator's DTD validation: a pass of its reader with schema processing off, so that the
// reader validates against the DTD whatever schemas apply (with both, the reader itself checks
// only the schema). It watches the DOCTYPE so that a document without one can be told apart
// from one checked against its DTD, and, for a DTD the caller names, answers the reader's
// request for the document's external subset with that DTD instead. Every other request goes
// to the resolver installed before it (the guard, the application's resolver) or, with none,
// is opened as the reader would. Internal to the library.
class ZOLSAX2DtdCheck : public xercesc::LexicalHandler, public xercesc::XMLEntityResolver {
public:
    ZOLSAX2DtdCheck() = default;
    ZOLSAX2DtdCheck(const ZOLSAX2DtdCheck&) = delete;
    ZOLSAX2DtdCheck& operator=(const ZOLSAX2DtdCheck&) = delete;
    ~ZOLSAX2DtdCheck() override;

    // On or off; location names the DTD to validate against (empty: the document's own).
    void set(bool on, const ZOLString& location);
    bool isOn() const noexcept { return on; }
    const ZOLString& getLocation() const noexcept { return location; }

    // Turns reader (the library's own SAX2 reader, not parsing) into a DTD validator for one
    // parse, and forgets the last document.
    void beginPass(xercesc::SAX2XMLReader* reader);
    // Gives reader (null when it was discarded meanwhile) back its usual settings.
    void endPass(xercesc::SAX2XMLReader* reader);
    // After a pass: true when the document had a DOCTYPE with an external subset to replace,
    // or with no DTD named, any DOCTYPE.
    bool hasGrammar() const noexcept { return doctype && (location.isEmpty() || replaced); }
    // Logs why the document was not checked against a DTD, at 0:0 of path.
    void logNoGrammar(ZOLLog& log, const ZOLString& path) const;
    // Logs that a document read once cannot be checked against both schemas and a DTD.
    static void logNoPass(ZOLLog& log, const ZOLString& path);

    xercesc::InputSource* resolveEntity(xercesc::XMLResourceIdentifier* resource) override;

    void startDTD(const XMLCh* const name, const XMLCh* const publicId, const XMLCh* const systemId) override;
    void endDTD() override {}
    void comment(const XMLCh* const, const XMLSize_t) override {}
    void startCDATA() override {}
    void endCDATA() override {}
    void startEntity(const XMLCh* const) override {}
    void endEntity(const XMLCh* const) override {}

private:
    bool on = false;
    ZOLString location;
    // The resolver the reader had before the pass.
    xercesc::XMLEntityResolver* previous = nullptr;
    // What the last document's DOCTYPE said.
    bool doctype = false;
    ZOLString publicId;
    ZOLString systemId;
    // True once its external subset was answered with the named DTD.
    bool replaced = false;
};

#endif
