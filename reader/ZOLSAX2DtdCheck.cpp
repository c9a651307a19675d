#include "ZOLSAX2DtdCheck.h"

#include "ZOLSAX2DoctypeInsertion.h"
#include "ZOLSAX2DocumentSource.h"
#include "ZOLSAX2Locations.h"

#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZSAX.h>

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/URLInputSource.hpp>
#include <xercesc/parsers/SAX2XMLReaderImpl.hpp>
#include <xercesc/sax/InputSource.hpp>
#include <xercesc/util/BinInputStream.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>
#include <xercesc/util/XMLURL.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <memory>
#include <string>

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

void ZOLSAX2DtdCheck::beginPass(xercesc::SAX2XMLReader* reader, bool cache)
{
    usedCached = reader->getFeature(xercesc::XMLUni::fgXercesUseCachedGrammarInParse);
    reader->setFeature(xercesc::XMLUni::fgXercesCacheGrammarFromParse, cache);
    reader->setFeature(xercesc::XMLUni::fgXercesUseCachedGrammarInParse, cache);
    // A pass with schemas, which uses their cached grammar, leaves a kept DTD to a document
    // with an internal subset rather than fail it.
    if (cache)
        reader->setFeature(xercesc::XMLUni::fgXercesIgnoreCachedDTD, true);
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

std::unique_ptr<xercesc::InputSource> ZOLSAX2DtdCheck::startPass(xercesc::SAX2XMLReader* reader,
                                                                 const ZOLSAX2DocumentSource& source, bool mayCache)
{
    beginPass(reader, mayCache && !mayHaveInternalSubset(source));
    return open(source);
}

void ZOLSAX2DtdCheck::endPass(xercesc::SAX2XMLReader* reader)
{
    if (reader == nullptr)
        return;
    reader->setFeature(xercesc::XMLUni::fgXercesSchema, true);
    reader->setFeature(xercesc::XMLUni::fgXercesCacheGrammarFromParse, false);
    reader->setFeature(xercesc::XMLUni::fgXercesUseCachedGrammarInParse, usedCached);
    reader->setLexicalHandler(nullptr);
    auto* impl = dynamic_cast<xercesc::SAX2XMLReaderImpl*>(reader);
    if (!location.isEmpty() && impl != nullptr)
        impl->setXMLEntityResolver(previous);
    previous = nullptr;
}

std::string ZOLSAX2DtdCheck::headOf(const ZOLSAX2DocumentSource& source)
{
    std::string head;
    if (!source.canReopen())
        return head;
    try {
        const std::unique_ptr<xercesc::InputSource> input = source.open();
        const std::unique_ptr<xercesc::BinInputStream> stream(input->makeStream());
        if (stream == nullptr)
            return head;
        XMLByte buffer[4096];
        XMLSize_t read = 0;
        while (head.size() < 65536 && (read = stream->readBytes(buffer, sizeof buffer)) > 0)
            head.append(reinterpret_cast<const char*>(buffer), read);
    } catch (...) {
        head.clear();
    }
    return head;
}

bool ZOLSAX2DtdCheck::mayHaveInternalSubset(const ZOLSAX2DocumentSource& source)
{
    const std::string head = headOf(source);
    return head.empty() || internalSubsetIn(head);
}

std::unique_ptr<xercesc::InputSource> ZOLSAX2DtdCheck::open(const ZOLSAX2DocumentSource& source) const
{
    std::size_t offset = 0;
    std::string text;
    if (location.isEmpty() || !ZOLSAX2DoctypeInsertion::plan(headOf(source), location.chars(), offset, text))
        return nullptr;
    return std::make_unique<ZOLSAX2DoctypeInsertion>(source.open(), offset, text);
}

bool ZOLSAX2DtdCheck::internalSubsetIn(const std::string& head)
{
    // UTF-16 and other encodings where markup is not ASCII bytes: not known.
    if (head.size() >= 2 && (head[0] == '\0' || head[1] == '\0' || static_cast<unsigned char>(head[0]) >= 0xFE))
        return true;
    const std::size_t doctype = head.find("<!DOCTYPE");
    const std::size_t element = head.find_first_of('<', 0);
    if (doctype == std::string::npos)
        return element == std::string::npos || head.size() >= 65536;
    // Past the name and any quoted identifiers, the subset opens with '[' or the DOCTYPE ends.
    char quote = 0;
    for (std::size_t i = doctype + 9; i < head.size(); ++i) {
        const char c = head[i];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            return true;
        } else if (c == '>') {
            return false;
        }
    }
    return true;
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
