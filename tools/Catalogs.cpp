#include "Catalogs.h"

#include "CommandLine.h"
#include "DiagnosticLog.h"
#include "SourceNames.h"

#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZSAX.h>

#include <xercesc/util/XMLURL.hpp>

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

namespace zolsax2 {

namespace {

// True when location, against base, names an http or https resource.
bool isNetwork(const char* location, const char* base)
{
    if (location == nullptr)
        return false;
    const ZOLString text(location);
    xercesc::XMLURL url;
    const bool parsed = base == nullptr ? xercesc::XMLURL::parse(text.wchars(), url)
                                        : url.setURL(ZOLString(base).wchars(), text.wchars(), url);
    if (!parsed || url.isRelative())
        return false;
    const ZOLString protocol(url.getProtocolName());
    return protocol == "http" || protocol == "https";
}

} // namespace

Catalogs::Catalogs(const CommandLine& line, std::ostream& err) : net(line.net), secure(line.secure)
{
    DiagnosticLog log;
    if (line.noCatalogs) {
        files = std::make_unique<ZOLSAX2Catalog>(ZOLString(), &log);
    } else if (line.catalogs.empty()) {
        files =
            std::make_unique<ZOLSAX2Catalog>(ZOLSAX2Catalog::conventionalFiles(std::getenv("XML_CATALOG_FILES")), &log);
    } else {
        std::vector<ZOLString> names;
        for (const std::string& file : line.catalogs)
            names.emplace_back(file.c_str());
        files = std::make_unique<ZOLSAX2Catalog>(names.data(), names.size(), &log);
    }
    std::string warnings;
    log.print(warnings, SourceNames(""));
    err << warnings;
}

bool Catalogs::Hook::resolve(void* context, int kind, const char* publicId, const char* systemId, const char* base,
                             ZOLSAX2Resolved* answer)
{
    auto* hook = static_cast<Hook*>(context);
    const bool found = ZOLSAX2Catalog::resolve(const_cast<ZOLSAX2Catalog*>(&hook->catalogs.catalog()), kind, publicId,
                                               systemId, base, answer);
    // In secure mode the library refuses whatever the catalog does not map to a local file.
    if (hook->catalogs.net || hook->catalogs.secure)
        return found;
    // A catalog may map a name to a mirror: that is the network too.
    const char* wanted = found ? answer->location : systemId;
    if (!isNetwork(wanted, found ? nullptr : base))
        return found;
    const ZOLLogLocation where(ZOLString(), 0, 0, ZOLLogEvent::LEVEL_ERROR);
    ZSAX::SAX_PARSE_ERROR.logAt(hook->log, where, "0", "0",
                                "not fetched: " + ZOLString(wanted) + "; map it with a catalog or pass --net");
    answer->location = nullptr;
    answer->content = nullptr;
    answer->contentLength = 0;
    return true;
}

} // namespace zolsax2
