#include "ZOLSAX2ResourceResolver.h"

#include "ZOLSAX2EntityGuard.h"
#include "ZOLSAX2Locations.h"

#include <ZSAX.h>

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/framework/URLInputSource.hpp>
#include <xercesc/framework/XMLBuffer.hpp>
#include <xercesc/parsers/SAX2XMLReaderImpl.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>
#include <xercesc/util/XMLURL.hpp>
#include <xercesc/util/XMLUni.hpp>
#include <xercesc/util/XMLUri.hpp>

#include <cstring>

namespace {

ZOLString text(const XMLCh* chars)
{
    return chars == nullptr ? ZOLString() : ZOLString(chars);
}

// The UTF-8 form of an identifier for the resolver; null when there is none.
const char* argument(const ZOLString& value)
{
    return value.isEmpty() ? nullptr : value.chars();
}

} // namespace

ZOLSAX2ResourceResolver::~ZOLSAX2ResourceResolver() = default;

void ZOLSAX2ResourceResolver::set(ZOLSAX2Resolver resolver, void* resolverContext) noexcept
{
    function = resolver;
    context = resolver == nullptr ? nullptr : resolverContext;
}

void ZOLSAX2ResourceResolver::install(xercesc::SAX2XMLReader* reader, ZOLSAX2EntityGuard* guard)
{
    // The entity resolver that receives the resource's kind and position is only on the
    // implementation class; the factory always creates one.
    auto* impl = dynamic_cast<xercesc::SAX2XMLReaderImpl*>(reader);
    if (impl == nullptr)
        ZSAX::XERCES_INITIALIZATION_ERROR.throwException("the reader cannot take an entity resolver");
    // A declined request is opened here, so the reader opens nothing on its own.
    reader->setFeature(xercesc::XMLUni::fgXercesDisableDefaultEntityResolution, true);
    impl->setXMLEntityResolver(this);
    next = guard;
}

void ZOLSAX2ResourceResolver::reset()
{
    refusals = 0;
    lastRefused.clear();
    written.clear();
}

ZOLString ZOLSAX2ResourceResolver::displayName(const ZOLString& systemId) const
{
    const auto found = written.find(systemId.chars());
    if (found == written.end())
        return systemId;
    return ZOLString(found->second.c_str()) + " (read from " + systemId + ")";
}

xercesc::InputSource* ZOLSAX2ResourceResolver::resolveEntity(xercesc::XMLResourceIdentifier* resource)
{
    ZOLString publicId = text(resource->getPublicId());
    ZOLString systemId = text(resource->getSystemId());
    const ZOLString base = text(resource->getBaseURI());
    int kind = ZOLSAX2_RESOURCE_EXTERNAL_ID;
    switch (resource->getResourceIdentifierType()) {
    case xercesc::XMLResourceIdentifier::SchemaGrammar:
    case xercesc::XMLResourceIdentifier::SchemaImport:
    case xercesc::XMLResourceIdentifier::SchemaInclude:
    case xercesc::XMLResourceIdentifier::SchemaRedefine:
        kind = ZOLSAX2_RESOURCE_URI;
        // An import without a location is looked up by its namespace.
        if (systemId.isEmpty())
            systemId = text(resource->getNameSpace());
        publicId = ZOLString();
        break;
    default:
        break;
    }
    if (function != nullptr && !systemId.isEmpty()) {
        const std::string request = std::string(publicId.chars()) + '\n' + systemId.chars() + '\n' + base.chars();
        if (request == lastRefused)
            return nullptr;
        ZOLSAX2Resolved answer{nullptr, nullptr, 0};
        if (function(context, kind, argument(publicId), systemId.chars(), argument(base), &answer)) {
            if (answer.location == nullptr && answer.content == nullptr) {
                ++refusals;
                lastRefused = request;
                return nullptr;
            }
            if (xercesc::InputSource* source = open(answer, resource->getSystemId())) {
                // The guard's checks of the configured schemas learn that it was read.
                if (next != nullptr)
                    next->noteSchemaRequest(*resource);
                return source;
            }
        }
    }
    if (next != nullptr)
        return next->resolveEntity(resource);
    return openAsNamed(*resource);
}

xercesc::InputSource* ZOLSAX2ResourceResolver::open(const ZOLSAX2Resolved& answer, const XMLCh* asWritten)
{
    const ZOLString name = text(asWritten);
    if (answer.location == nullptr) {
        // The resolver's bytes are borrowed only until its next call: the source owns a copy.
        auto* copy = new XMLByte[answer.contentLength == 0 ? 1 : answer.contentLength];
        std::memcpy(copy, answer.content, answer.contentLength);
        return new xercesc::MemBufInputSource(copy, answer.contentLength, name.wchars(), true);
    }
    xercesc::InputSource* source = nullptr;
    const ZOLString location(answer.location);
    xercesc::XMLURL url;
    if (ZOLSAX2Locations::isAbsoluteUrl(location.wchars(), url)) {
        // Secure mode trusts only what the resolver keeps on this machine.
        if (next != nullptr && url.getProtocol() != xercesc::XMLURL::File)
            return nullptr;
        source = new xercesc::URLInputSource(url);
    } else {
        source = new xercesc::LocalFileInputSource(location.wchars());
    }
    const ZOLString readFrom = text(source->getSystemId());
    if (!name.isEmpty() && readFrom != name)
        written[readFrom.chars()] = name.chars();
    return source;
}

xercesc::InputSource* ZOLSAX2ResourceResolver::openAsNamed(const xercesc::XMLResourceIdentifier& resource)
{
    // As the reader itself would: a URL when the identifier makes an absolute one against its
    // base, a local file otherwise. An import without a location names nothing to open.
    const XMLCh* systemId = resource.getSystemId();
    if (systemId == nullptr || *systemId == 0)
        return nullptr;
    xercesc::XMLURL url;
    if (ZOLSAX2Locations::isAbsoluteUrl(systemId, url, resource.getBaseURI()))
        return new xercesc::URLInputSource(url);
    xercesc::XMLBuffer normalized;
    xercesc::XMLUri::normalizeURI(systemId, normalized);
    if (resource.getBaseURI() == nullptr)
        return new xercesc::LocalFileInputSource(normalized.getRawBuffer());
    return new xercesc::LocalFileInputSource(resource.getBaseURI(), normalized.getRawBuffer());
}
