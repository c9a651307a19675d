#ifndef ZOLSAX2LOCATIONS_H
#define ZOLSAX2LOCATIONS_H

#include <ZOLString.h>

#include <xercesc/util/XercesDefs.hpp>

#include <memory>

XERCES_CPP_NAMESPACE_BEGIN
class InputSource;
class XMLURL;
XERCES_CPP_NAMESPACE_END

// How the reader turns a location (a system identifier, a schema location) into what it
// opens: a URL when the text makes an absolute one, a local path otherwise. Every place that
// must agree with the reader on this asks here. Internal to the library.
class ZOLSAX2Locations {
public:
    // True, with url filled in, when text (against base, when given) makes an absolute URL.
    static bool isAbsoluteUrl(const XMLCh* text, xercesc::XMLURL& url, const XMLCh* base = nullptr);
    // The resource at location as the reader opens it: a URL source or a local file.
    static std::unique_ptr<xercesc::InputSource> openSource(const ZOLString& location);
    // The system identifier of the document the reader opens for path: an absolute URL, or
    // the local path completed against the current directory.
    static ZOLString documentBase(const ZOLString& path);
    // Where the reader looks for a schema at location named by a document at base (empty for
    // none): an absolute URL when location makes one against base, else a local path.
    static ZOLString resolve(const ZOLString& base, const ZOLString& location);
    // True when the reader resolves location against the document rather than taking it as is.
    static bool isRelative(const ZOLString& location);
    // True when text holds a character the reader takes as a separator in a location list.
    static bool hasBlank(const ZOLString& text);
    // The location as a secure reader receives it: a URL unchanged; a path made absolute
    // against the current directory, now, and given as a file URL when the reader would split
    // it at a blank. Empty, so that nothing is trusted, when the current directory cannot be
    // read.
    static ZOLString secure(const ZOLString& location);
};

#endif
