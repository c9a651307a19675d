#ifndef ZOLSAX2_TOOLS_CATALOGS_H
#define ZOLSAX2_TOOLS_CATALOGS_H

#include <ZOLSAX2Catalog.h>

#include <iosfwd>
#include <memory>

class ZOLLog;

namespace zolsax2 {

class CommandLine;

// The catalogs of one command (--catalog, else XML_CATALOG_FILES, else /etc/xml/catalog;
// none with --no-catalogs), read once and shared by every worker, and the tool's rule that
// no network resource is opened without --net: an http or https resource that no catalog
// maps is refused with a record naming it.
class Catalogs {
public:
    // Reads the catalogs line names; their warnings are printed to err.
    Catalogs(const CommandLine& line, std::ostream& err);
    Catalogs(const Catalogs&) = delete;
    Catalogs& operator=(const Catalogs&) = delete;

    const ZOLSAX2Catalog& catalog() const noexcept { return *files; }

    // One worker's resolver, logging its refusals to that worker's log.
    class Hook {
    public:
        Hook(const Catalogs& catalogs, ZOLLog& log) : catalogs(catalogs), log(log) {}
        // Makes reader (a parser or a validator) resolve through the hook.
        template <class Reader>
        void install(Reader& reader)
        {
            reader.setResolver(&Hook::resolve, this);
        }
        // A ZOLSAX2Resolver; context is the Hook.
        static bool resolve(void* context, int kind, const char* publicId, const char* systemId, const char* base,
                            ZOLSAX2Resolved* answer);

    private:
        const Catalogs& catalogs;
        ZOLLog& log;
    };

private:
    std::unique_ptr<ZOLSAX2Catalog> files;
    bool net;
    bool secure;
};

} // namespace zolsax2

#endif
