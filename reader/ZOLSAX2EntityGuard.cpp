#include "ZOLSAX2EntityGuard.h"

#include "ZOLSAX2Locations.h"
#include "ZOLSAX2LongToString.h"

#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZSAX.h>

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/URLInputSource.hpp>
#include <xercesc/framework/XMLBuffer.hpp>
#include <xercesc/parsers/SAX2XMLReaderImpl.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>
#include <xercesc/util/XMLURL.hpp>
#include <xercesc/util/XMLUni.hpp>
#include <xercesc/util/XMLUri.hpp>

namespace {

ZOLString text(const XMLCh* chars)
{
    return chars == nullptr ? ZOLString() : ZOLString(chars);
}

// " (PUBLIC 'p' SYSTEM 's')" or " (SYSTEM 's')".
ZOLString identifiers(const ZOLString& publicId, const ZOLString& systemId)
{
    ZOLString out(" (");
    if (!publicId.isEmpty())
        out.add("PUBLIC '", publicId.chars(), "' ", static_cast<const char*>(nullptr));
    out.add("SYSTEM '", systemId.chars(), "')", static_cast<const char*>(nullptr));
    return out;
}

// The line and column of the reference that asked for resource, "0" when unknown.
void positionOf(const xercesc::XMLResourceIdentifier& resource, ZOLString& line, ZOLString& column)
{
    if (const xercesc::Locator* locator = resource.getLocator()) {
        line = longToString(static_cast<long>(locator->getLineNumber()));
        column = longToString(static_cast<long>(locator->getColumnNumber()));
    }
}

// True when a trusted pair is for targetNamespace at systemId.
bool isTrusted(const ZOLSAX2SchemaPairs& trusted, const ZOLString& targetNamespace, const ZOLString& systemId)
{
    for (const ZOLSAX2SchemaPairs::Pair& pair : trusted)
        if (pair.targetNamespace == targetNamespace && pair.location == systemId)
            return true;
    return false;
}

} // namespace

ZOLSAX2EntityGuard::ZOLSAX2EntityGuard(ZOLLog* log)
    : log(log), securityManager(new xercesc::SecurityManager()), noNamespaceSet(false), refusals(0),
      noNamespaceRequested(false), dtdRefused(false), requestLine("0"), requestColumn("0")
{
    securityManager->setEntityExpansionLimit(EXPANSION_LIMIT);
}

ZOLSAX2EntityGuard::~ZOLSAX2EntityGuard() = default;

void ZOLSAX2EntityGuard::install(xercesc::SAX2XMLReader* reader)
{
    // The entity resolver that receives the resource's kind and position is only on the
    // implementation class; the factory always creates one.
    auto* impl = dynamic_cast<xercesc::SAX2XMLReaderImpl*>(reader);
    if (impl == nullptr)
        ZSAX::XERCES_XML_EXCEPTION.throwException("the reader cannot take an entity resolver");
    reader->setFeature(xercesc::XMLUni::fgXercesDisableDefaultEntityResolution, true);
    impl->setXMLEntityResolver(this);
    reader->setDeclarationHandler(this);
    reader->setProperty(xercesc::XMLUni::fgXercesSecurityManager, securityManager.get());
}

void ZOLSAX2EntityGuard::setReaderCount(bool on)
{
    securityManager->setEntityExpansionLimit(on ? EXPANSION_LIMIT : ~static_cast<XMLSize_t>(0));
}

void ZOLSAX2EntityGuard::setTrustedSchema(const ZOLString& targetNamespace, const ZOLString& location)
{
    trusted.set(targetNamespace, location);
}

bool ZOLSAX2EntityGuard::isTrustedSchemaRequested(const ZOLString& targetNamespace) const
{
    for (const ZOLString& r : requested)
        if (r == targetNamespace)
            return true;
    return false;
}

void ZOLSAX2EntityGuard::setTrustedNoNamespaceSchema(const ZOLString& location, bool set)
{
    noNamespaceSet = set;
    noNamespaceLocation = location;
}

void ZOLSAX2EntityGuard::reset()
{
    refusals = 0;
    requested.clear();
    noNamespaceRequested = false;
    dtdRefused = false;
    requestLine = "0";
    requestColumn = "0";
    declarations.clear();
}

xercesc::InputSource* ZOLSAX2EntityGuard::resolveEntity(xercesc::XMLResourceIdentifier* resource)
{
    const ZOLString systemId = text(resource->getSystemId());
    const ZOLString publicId = text(resource->getPublicId());
    bool trustedSchema = false;
    switch (resource->getResourceIdentifierType()) {
    case xercesc::XMLResourceIdentifier::SchemaGrammar: {
        trustedSchema = true;
        if (!noteSchemaRequest(*resource)) {
            const ZOLString targetNamespace = text(resource->getNameSpace());
            const ZOLString what = targetNamespace.isEmpty() ? ZOLString("schema hint without namespace")
                                                             : "schema hint for namespace '" + targetNamespace + "'";
            return refuse(*resource, what + " refused" + identifiers(publicId, systemId));
        }
        break;
    }
    case xercesc::XMLResourceIdentifier::SchemaImport:
    case xercesc::XMLResourceIdentifier::SchemaInclude:
    case xercesc::XMLResourceIdentifier::SchemaRedefine:
        // Only a schema the reader is traversing asks for these, and the trusted schemas are
        // the only ones it may traverse: they are part of the caller's schemas. An import
        // without a location names nothing to open.
        if (systemId.isEmpty())
            return nullptr;
        break;
    case xercesc::XMLResourceIdentifier::ExternalEntity: {
        for (auto d = declarations.rbegin(); d != declarations.rend(); ++d) {
            if (d->systemId == systemId && d->publicId == publicId) {
                const char* kind = d->name.chars()[0] == '%' ? "external parameter entity '" : "external entity '";
                return refuse(*resource, kind + d->name + "' refused" + identifiers(publicId, systemId));
            }
        }
        // Only the DOCTYPE's own subset is requested without a declaration. A reader that
        // uses cached grammars asks for it twice (first to look for a cached DTD): one refusal.
        if (dtdRefused)
            return nullptr;
        dtdRefused = true;
        return refuse(*resource, "external DTD refused" + identifiers(publicId, systemId));
    }
    default:
        return refuse(*resource, "external resource refused" + identifiers(publicId, systemId));
    }

    // A trusted schema is opened from its location alone, which the validator made absolute:
    // never against the document's folder. What it names is opened against its own base, as
    // the reader itself would: a URL when the identifier makes an absolute one, a local file
    // otherwise.
    xercesc::XMLURL url;
    if (ZOLSAX2Locations::isAbsoluteUrl(resource->getSystemId(), url, trustedSchema ? nullptr : resource->getBaseURI()))
        return new xercesc::URLInputSource(url);
    xercesc::XMLBuffer normalized;
    xercesc::XMLUri::normalizeURI(resource->getSystemId(), normalized);
    if (trustedSchema)
        return new xercesc::LocalFileInputSource(normalized.getRawBuffer());
    return new xercesc::LocalFileInputSource(resource->getBaseURI(), normalized.getRawBuffer());
}

bool ZOLSAX2EntityGuard::noteSchemaRequest(const xercesc::XMLResourceIdentifier& resource)
{
    if (resource.getResourceIdentifierType() != xercesc::XMLResourceIdentifier::SchemaGrammar)
        return false;
    const ZOLString systemId = text(resource.getSystemId());
    const ZOLString targetNamespace = text(resource.getNameSpace());
    if (targetNamespace.isEmpty() && noNamespaceSet && !systemId.isEmpty() && systemId == noNamespaceLocation) {
        noNamespaceRequested = true;
        return true;
    }
    if (systemId.isEmpty() || !isTrusted(trusted, targetNamespace, systemId))
        return false;
    requested.push_back(targetNamespace);
    positionOf(resource, requestLine, requestColumn);
    return true;
}

xercesc::InputSource* ZOLSAX2EntityGuard::refuse(const xercesc::XMLResourceIdentifier& resource, const ZOLString& what)
{
    ZOLString line("0");
    ZOLString column("0");
    positionOf(resource, line, column);
    const xercesc::Locator* locator = resource.getLocator();
    const XMLCh* entity = locator == nullptr ? nullptr : locator->getSystemId();
    const ZOLLogLocation where(text(entity), locator == nullptr ? 0 : static_cast<long>(locator->getLineNumber()),
                               locator == nullptr ? 0 : static_cast<long>(locator->getColumnNumber()),
                               ZOLLogEvent::LEVEL_ERROR);
    ZSAX::SAX_PARSE_ERROR.logAt(*log, where, line, column, what);
    ++refusals;
    // With default resolution off, no source means nothing is opened.
    return nullptr;
}

void ZOLSAX2EntityGuard::externalEntityDecl(const XMLCh* const name, const XMLCh* const publicId,
                                            const XMLCh* const systemId)
{
    declarations.push_back(Declaration{text(name), text(publicId), text(systemId)});
}

void ZOLSAX2EntityGuard::elementDecl(const XMLCh* const, const XMLCh* const) {}

void ZOLSAX2EntityGuard::attributeDecl(const XMLCh* const, const XMLCh* const, const XMLCh* const, const XMLCh* const,
                                       const XMLCh* const)
{}

void ZOLSAX2EntityGuard::internalEntityDecl(const XMLCh* const, const XMLCh* const) {}
