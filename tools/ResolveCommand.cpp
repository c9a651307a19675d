#include "ResolveCommand.h"

#include "Catalogs.h"
#include "CommandLine.h"
#include "Escape.h"

#include <ZOLSAX2Catalog.h>

#include <cstring>
#include <ostream>

namespace zolsax2 {

namespace {

// True when id may be a URI, so that it is looked up as a system identifier and then as a
// URI; anything with a blank or another character a URI cannot hold is a public identifier.
bool looksLikeUri(const std::string& id)
{
    for (const char c : id) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || (byte < 0x80 && std::strchr("\"<>\\^`{|}", c) != nullptr))
            return false;
    }
    return true;
}

} // namespace

int ResolveCommand::run()
{
    const Catalogs catalogs(line, err);
    const ZOLSAX2Catalog* catalog = &catalogs.catalog();
    int status = EXIT_OK;
    for (const std::string& id : line.inputs) {
        const bool uri = looksLikeUri(id);
        ZOLString found =
            uri ? catalog->resolveExternal(ZOLString(), id.c_str()) : catalog->resolveExternal(id.c_str(), ZOLString());
        if (found.isEmpty() && uri)
            found = catalog->resolveURI(id.c_str());
        if (found.isEmpty()) {
            out << "No entry for " << (uri ? "SYSTEM or URI " : "PUBLIC ") << Escape::text(id) << '\n';
            status = EXIT_FAILED;
        } else {
            out << Escape::text(found.chars()) << '\n';
        }
    }
    return status;
}

} // namespace zolsax2
