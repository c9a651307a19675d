#ifndef ZOLSAX2DTDCHECK_H
#define ZOLSAX2DTDCHECK_H

#include <ZOLString.h>

#include <memory>
#include <string>

#include <xercesc/sax2/LexicalHandler.hpp>
#include <xercesc/util/XMLEntityResolver.hpp>

class ZOLLog;
class ZOLSAX2DocumentSource;

XERCES_CPP_NAMESPACE_BEGIN
class InputSource;
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
    // parse, and forgets the last document. With cache, the DTD grammar the parse reads is
    // kept in the reader's pool, keyed by where it was read from, and a kept one serves the
    // parse instead of reading the DTD again; never for a document with an internal subset.
    void beginPass(xercesc::SAX2XMLReader* reader, bool cache);
    // beginPass for source, with the DTD kept when mayCache and source has no internal subset;
    // answers what open() answers, to be parsed instead of the document as it is.
    std::unique_ptr<xercesc::InputSource> startPass(xercesc::SAX2XMLReader* reader, const ZOLSAX2DocumentSource& source,
                                                    bool mayCache);
    // Gives reader (null when it was discarded meanwhile) back its usual settings.
    void endPass(xercesc::SAX2XMLReader* reader);
    // False only when the first bytes of source show a DOCTYPE without an internal subset, or
    // no DOCTYPE; a stream, which cannot be read twice, and text not in an ASCII-compatible
    // encoding count as having one.
    static bool mayHaveInternalSubset(const ZOLSAX2DocumentSource& source);
    // With a DTD named, for a document whose DOCTYPE names no external DTD (or that has none):
    // the document's bytes with a DOCTYPE or an external identifier naming that DTD inserted;
    // null when none is needed or it cannot be placed.
    std::unique_ptr<xercesc::InputSource> open(const ZOLSAX2DocumentSource& source) const;
    // After a pass: true when the document had a DOCTYPE (one inserted by open() included) with
    // an external subset to replace, or with no DTD named, any DOCTYPE.
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
    // Whether the DOCTYPE that head (a document's first bytes) starts with has an internal
    // subset, true when that cannot be told.
    static bool internalSubsetIn(const std::string& head);
    // The first bytes of source (empty for a stream, which cannot be read twice).
    static std::string headOf(const ZOLSAX2DocumentSource& source);

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
    // The reader's use of cached grammars before the pass.
    bool usedCached = false;
};

#endif
