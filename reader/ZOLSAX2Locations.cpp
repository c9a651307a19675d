#include "ZOLSAX2Locations.h"

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/URLInputSource.hpp>
#include <xercesc/framework/XMLBuffer.hpp>
#include <xercesc/util/XMLURL.hpp>
#include <xercesc/util/XMLUri.hpp>

#include <filesystem>
#include <string>
#include <system_error>

bool ZOLSAX2Locations::isAbsoluteUrl(const XMLCh* text, xercesc::XMLURL& url, const XMLCh* base)
{
    const bool parsed = base == nullptr ? xercesc::XMLURL::parse(text, url) : url.setURL(base, text, url);
    return parsed && !url.isRelative();
}

std::unique_ptr<xercesc::InputSource> ZOLSAX2Locations::openSource(const ZOLString& location)
{
    xercesc::XMLURL url;
    if (isAbsoluteUrl(location.wchars(), url))
        return std::make_unique<xercesc::URLInputSource>(url);
    return std::make_unique<xercesc::LocalFileInputSource>(location.wchars());
}

ZOLString ZOLSAX2Locations::documentBase(const ZOLString& path)
{
    xercesc::XMLURL url;
    if (isAbsoluteUrl(path.wchars(), url))
        return ZOLString(url.getURLText());
    const xercesc::LocalFileInputSource source(path.wchars());
    return ZOLString(source.getSystemId());
}

ZOLString ZOLSAX2Locations::resolve(const ZOLString& base, const ZOLString& location)
{
    xercesc::XMLURL url;
    if (isAbsoluteUrl(location.wchars(), url, base.isEmpty() ? nullptr : base.wchars()))
        return ZOLString(url.getURLText());
    xercesc::XMLBuffer normalized;
    xercesc::XMLUri::normalizeURI(location.wchars(), normalized);
    const std::unique_ptr<xercesc::LocalFileInputSource> source(
        base.isEmpty() ? new xercesc::LocalFileInputSource(normalized.getRawBuffer())
                       : new xercesc::LocalFileInputSource(base.wchars(), normalized.getRawBuffer()));
    return ZOLString(source->getSystemId());
}

bool ZOLSAX2Locations::isRelative(const ZOLString& location)
{
    xercesc::XMLURL url;
    return !isAbsoluteUrl(location.wchars(), url) && location.chars()[0] != '/';
}

bool ZOLSAX2Locations::hasBlank(const ZOLString& text)
{
    for (const char* c = text.chars(); *c != '\0'; ++c)
        if (*c == ' ' || *c == '\t' || *c == '\r' || *c == '\n')
            return true;
    return false;
}

ZOLString ZOLSAX2Locations::secure(const ZOLString& location)
{
    xercesc::XMLURL url;
    if (isAbsoluteUrl(location.wchars(), url))
        return location;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(location.chars(), error);
    if (error)
        return ZOLString();
    const std::string path = absolute.lexically_normal().string();
    if (path.find_first_of(" \t\r\n") == std::string::npos)
        return ZOLString(path.c_str());
    std::string fileUrl = "file://";
    for (const char c : path) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '%') {
            static const char HEX[] = "0123456789ABCDEF";
            fileUrl += '%';
            fileUrl += HEX[static_cast<unsigned char>(c) >> 4];
            fileUrl += HEX[static_cast<unsigned char>(c) & 15];
        } else {
            fileUrl += c;
        }
    }
    return ZOLString(fileUrl.c_str());
}
