#ifndef ZOLSAX2ENTITYGUARD_H
#define ZOLSAX2ENTITYGUARD_H

#include "ZOLSAX2SchemaPairs.h"

#include <ZOLString.h>

#include <xercesc/sax2/DeclHandler.hpp>
#include <xercesc/util/XMLEntityResolver.hpp>

#include <memory>
#include <vector>

class ZOLLog;

XERCES_CPP_NAMESPACE_BEGIN
class SAX2XMLReader;
class SecurityManager;
XERCES_CPP_NAMESPACE_END

// Secure processing of one reader: refuses every external resource a document names and
// limits entity expansion. Internal to the library; the parser and the validator own one
// each and install it in the readers they build for secure processing.
//
// Once installed, the reader's default entity resolution is off, so nothing is opened
// unless resolveEntity returns a source for it. Only the trusted schemas (the validator's
// configured namespace and location pairs, and its schema without target namespace), opened from
// its location alone whatever the document's base, and the schema documents that they
// include, import or redefine are opened. Everything else (external general and parameter
// entities, the external DTD subset, xsi:schemaLocation and xsi:noNamespaceSchemaLocation hints) is refused: one
// SAX_PARSE_ERROR record with the position of the reference and a text such as "external entity 'x' refused (SYSTEM
// 'file:///etc/passwd')", and a count that the owner turns into a failed parse. Entity expansion stops with a fatal
// error after EXPANSION_LIMIT expansions in one document (Xerces' SecurityManager).
class ZOLSAX2EntityGuard : public xercesc::XMLEntityResolver, public xercesc::DeclHandler {
public:
    // Entity expansions allowed per document.
    static constexpr XMLSize_t EXPANSION_LIMIT = 1000;

    // A guard that logs refusals to log, which must outlive it.
    explicit ZOLSAX2EntityGuard(ZOLLog* log);
    ZOLSAX2EntityGuard(const ZOLSAX2EntityGuard&) = delete;
    ZOLSAX2EntityGuard& operator=(const ZOLSAX2EntityGuard&) = delete;
    ~ZOLSAX2EntityGuard() override;

    // Installs the guard in reader, which must be the library's own SAX2 reader
    // implementation and must not be parsing.
    void install(xercesc::SAX2XMLReader* reader);
    // Whether the reader's own count of expansions applies (the default); off when a trusted
    // external DTD's entities are not to be counted and the amplification guard counts those
    // of the internal subset instead.
    void setReaderCount(bool on);
    // A schema that may be opened: one of the validator's configured pairs, replacing the
    // one for the same namespace.
    void setTrustedSchema(const ZOLString& targetNamespace, const ZOLString& location);
    // No pair may be opened any more.
    void clearTrustedSchemas() noexcept { trusted.clear(); }
    // The one schema without target namespace that may be opened (set false: none).
    void setTrustedNoNamespaceSchema(const ZOLString& location, bool set = true);
    // Its location, as given.
    const ZOLString& getTrustedNoNamespaceLocation() const noexcept { return noNamespaceLocation; }
    // The trusted pairs, as given.
    const ZOLSAX2SchemaPairs& getTrustedSchemas() const noexcept { return trusted; }
    // Forgets what the last document declared, refused and requested; call before each parse.
    void reset();
    // Resources refused since the last reset.
    unsigned long getRefusals() const noexcept { return refusals; }
    // True when the reader asked for the trusted pair for targetNamespace since the last reset.
    bool isTrustedSchemaRequested(const ZOLString& targetNamespace) const;
    // True when the reader asked for the trusted no-namespace schema since the last reset.
    bool isNoNamespaceSchemaRequested() const noexcept { return noNamespaceRequested; }
    // Line and column of the last request for a trusted schema, as decimal texts ("0" when unknown).
    const ZOLString& getRequestLine() const noexcept { return requestLine; }
    const ZOLString& getRequestColumn() const noexcept { return requestColumn; }

    // Notes a request for a configured schema, as when it is opened; false for any other
    // request. For a resolver in front of the guard that opened it itself.
    bool noteSchemaRequest(const xercesc::XMLResourceIdentifier& resource);
    // Opens the trusted schemas and the documents they name; refuses everything else.
    xercesc::InputSource* resolveEntity(xercesc::XMLResourceIdentifier* resource) override;

    // Remembers external entity declarations, so a refusal can name the entity.
    void externalEntityDecl(const XMLCh* const name, const XMLCh* const publicId, const XMLCh* const systemId) override;
    void elementDecl(const XMLCh* const name, const XMLCh* const model) override;
    void attributeDecl(const XMLCh* const eName, const XMLCh* const aName, const XMLCh* const type,
                       const XMLCh* const mode, const XMLCh* const value) override;
    void internalEntityDecl(const XMLCh* const name, const XMLCh* const value) override;

private:
    // One declared external entity; only the identifiers are compared.
    struct Declaration {
        ZOLString name;
        ZOLString publicId;
        ZOLString systemId;
    };

    xercesc::InputSource* refuse(const xercesc::XMLResourceIdentifier& resource, const ZOLString& what);

    ZOLLog* log;
    std::unique_ptr<xercesc::SecurityManager> securityManager;
    ZOLSAX2SchemaPairs trusted;
    bool noNamespaceSet;
    ZOLString noNamespaceLocation;
    unsigned long refusals;
    // The namespaces of the trusted pairs the reader asked for.
    std::vector<ZOLString> requested;
    bool noNamespaceRequested;
    // True once the document's external DTD was refused.
    bool dtdRefused;
    ZOLString requestLine;
    ZOLString requestColumn;
    std::vector<Declaration> declarations;
};

#endif
