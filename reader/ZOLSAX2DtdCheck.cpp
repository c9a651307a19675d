#include "ZOLSAX2DtdCheck.h"

#include "ZOLSAX2Locations.h"

#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZSAX.h>

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/URLInputSource.hpp>
#include <xercesc/parsers/SAX2XMLReaderImpl.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>
#include <xercesc/util/XMLURL.hpp>
#include <xercesc/util/XMLUni.hpp>

namespace {

ZOLString text(const XMLCh* chars)
{
    return chars == nullptr ? ZOLString() : ZOLString(chars);
}

} // namespace

ZOLSAX2DtdCheck::~ZOLSAX2DtdCheck() = default;

void ZOLSAX2DtdCheck::set(bool enable, const ZOLString& dtdLocation)
{
    on = enable;
    // A relative path names a file of the current directory, now, as a command line's would.
    location = dtdLocation.isEmpty() ? ZOLString() : ZOLSAX2Locations::secure(dtdLocation);
    if (location.isEmpty())
        location = dtdLocation;
}

void ZOLSAX2DtdCheck::beginPass(xercesc::SAX2XMLReader* reader)
{
    doctype = false;
    replaced = false;
    publicId = ZOLString();
    systemId = ZOLString();
    reader->setFeature(xercesc::XMLUni::fgXercesSchema, false);
    reader->setLexicalHandler(this);
    auto* impl = dynamic_cast<xercesc::SAX2XMLReaderImpl*>(reader);
    if (!location.isEmpty() && impl != nullptr) {
        previous = impl->getXMLEntityResolver();
        impl->setXMLEntityResolver(this);
    }
}

void ZOLSAX2DtdCheck::endPass(xercesc::SAX2XMLReader* reader)
{
    if (reader == nullptr)
        return;
    reader->setFeature(xercesc::XMLUni::fgXercesSchema, true);
    reader->setLexicalHandler(nullptr);
    auto* impl = dynamic_cast<xercesc::SAX2XMLReaderImpl*>(reader);
    if (!location.isEmpty() && impl != nullptr)
        impl->setXMLEntityResolver(previous);
    previous = nullptr;
}

void ZOLSAX2DtdCheck::logNoGrammar(ZOLLog& log, const ZOLString& path) const
{
    const ZOLString why = !doctype ? ZOLString("no DOCTYPE, so nothing was validated against a DTD")
                                   : "the DOCTYPE names no external DTD to replace with '" + location + "'";
    const ZOLLogLocation where(path, 0, 0, ZOLLogEvent::LEVEL_ERROR);
    ZSAX::SAX_PARSE_ERROR.logAt(log, where, "0", "0", why);
}

void ZOLSAX2DtdCheck::logNoPass(ZOLLog& log, const ZOLString& path)
{
    const ZOLLogLocation where(path, 0, 0, ZOLLogEvent::LEVEL_ERROR);
    ZSAX::SAX_PARSE_ERROR.logAt(log, where, "0", "0",
                                "a stream is read once, so it cannot be validated against both schemas and a DTD");
}

void ZOLSAX2DtdCheck::startDTD(const XMLCh* const, const XMLCh* const doctypePublicId,
                               const XMLCh* const doctypeSystemId)
{
    doctype = true;
    publicId = text(doctypePublicId);
    systemId = text(doctypeSystemId);
}

xercesc::InputSource* ZOLSAX2DtdCheck::resolveEntity(xercesc::XMLResourceIdentifier* resource)
{
    // The external subset is the one request that carries the DOCTYPE's own identifiers.
    const bool subset = resource->getResourceIdentifierType() == xercesc::XMLResourceIdentifier::ExternalEntity &&
                        doctype && !systemId.isEmpty() && text(resource->getSystemId()) == systemId &&
                        text(resource->getPublicId()) == publicId;
    if (subset) {
        replaced = true;
        return ZOLSAX2Locations::openSource(location).release();
    }
    if (previous != nullptr)
        return previous->resolveEntity(resource);
    return nullptr;
}
