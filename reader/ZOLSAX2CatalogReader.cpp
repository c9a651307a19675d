#include "ZOLSAX2CatalogReader.h"

#include "ZOLSAX2CatalogFile.h"
#include "ZOLSAX2CatalogIdentifiers.h"

#include <ZOLException.h>
#include <ZOLFile.h>
#include <ZOLLog.h>
#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZOLSAX2Parser.h>
#include <ZSAX.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include <sys/stat.h>

namespace {

using Entry = ZOLSAX2CatalogFile::Entry;
using Ids = ZOLSAX2CatalogIdentifiers;

const char CATALOG_NAMESPACE[] = "urn:oasis:names:tc:entity:xmlns:xml:catalog";

// An entry element: its name, type, the attribute it matches on (none for nextCatalog) and
// the attribute that names its target.
struct EntryKind {
    const char* element;
    Entry::Type type;
    const char* matchAttribute;
    const char* targetAttribute;
};

const EntryKind entryKinds[] = {
    {"system", Entry::SYSTEM, "systemId", "uri"},
    {"public", Entry::PUBLIC, "publicId", "uri"},
    {"uri", Entry::URI, "name", "uri"},
    {"rewriteSystem", Entry::REWRITE_SYSTEM, "systemIdStartString", "rewritePrefix"},
    {"rewriteURI", Entry::REWRITE_URI, "uriStartString", "rewritePrefix"},
    {"systemSuffix", Entry::SYSTEM_SUFFIX, "systemIdSuffix", "uri"},
    {"uriSuffix", Entry::URI_SUFFIX, "uriSuffix", "uri"},
    {"delegatePublic", Entry::DELEGATE_PUBLIC, "publicIdStartString", "catalog"},
    {"delegateSystem", Entry::DELEGATE_SYSTEM, "systemIdStartString", "catalog"},
    {"delegateURI", Entry::DELEGATE_URI, "uriStartString", "catalog"},
    {"nextCatalog", Entry::NEXT_CATALOG, nullptr, "catalog"},
};

// Passes the reader's records on as warnings: a catalog never fails anything.
class WarningLog : public ZOLLog {
public:
    explicit WarningLog(ZOLLog& target) : target(target) {}

    // The file whose records follow.
    void setPath(const std::string& file) { path = file; }

    void logEvent(const ZOLLogEvent& event) override
    {
        const ZOLLogLocation* located = event.getLocation();
        if (event.getCode() == ZSAX::SAX_PARSE_ERROR.getMessageCode()) {
            if (located != nullptr && !located->getSystemId().isEmpty()) {
                target.logEvent(event);
                return;
            }
            // A problem the reader places in no entity belongs to the catalog file.
            ZOLLogEvent placed(event);
            placed.setLocation(ZOLLogLocation(path.c_str(), located == nullptr ? 0 : located->getLine(),
                                              located == nullptr ? 0 : located->getColumn(),
                                              located == nullptr ? event.getLevel() : located->getReportedLevel()));
            target.logEvent(placed);
            return;
        }
        const ZOLLogLocation* where = event.getLocation();
        const ZOLLogLocation fallback(path.c_str(), 0, 0, event.getLevel());
        const ZOLLogLocation& location = where != nullptr ? *where : fallback;
        ZSAX::SAX_PARSE_ERROR.logAt(target, location, ZOLString(location.getLine()), ZOLString(location.getColumn()),
                                    event.getText());
    }

private:
    ZOLLog& target;
    std::string path;
};

// What the callbacks keep while one catalog file is read.
struct Reading {
    // One open element: the namespaces it declares, the base and prefer setting in force,
    // and whether catalog entries may stand in it.
    struct Scope {
        std::vector<std::pair<std::string, std::string>> namespaces;
        std::string base;
        bool preferPublic = true;
        bool holdsEntries = false;
    };

    ZOLSAX2Parser* parser = nullptr;
    ZOLLog* log = nullptr;
    std::string path;
    std::vector<Scope> scopes;
    std::vector<Entry>* entries = nullptr;
    bool sawRoot = false;
    bool isCatalog = false;
    // The document element's name when it is not a catalog.
    std::string rootName;

    void warn(const std::string& text) const
    {
        const std::string position = parser->getPosition().chars();
        const std::size_t colon = position.find(':');
        const long line = colon == std::string::npos ? 0 : std::atol(position.substr(0, colon).c_str());
        const long column = colon == std::string::npos ? 0 : std::atol(position.substr(colon + 1).c_str());
        const ZOLLogLocation where(path.c_str(), line, column, ZOLLogEvent::LEVEL_WARNING);
        ZSAX::SAX_PARSE_ERROR.logAt(*log, where, ZOLString(line), ZOLString(column), text.c_str());
    }

    std::string namespaceOf(const std::string& prefix) const
    {
        if (prefix == "xml")
            return "http://www.w3.org/XML/1998/namespace";
        for (auto scope = scopes.rbegin(); scope != scopes.rend(); ++scope) {
            for (const auto& [declared, uri] : scope->namespaces) {
                if (declared == prefix)
                    return uri;
            }
        }
        return std::string();
    }
};

const char* attribute(const char** attributes, const char* name)
{
    for (const char** a = attributes; *a != nullptr; a += 2) {
        if (std::strcmp(*a, name) == 0)
            return a[1];
    }
    return nullptr;
}

// The prefer setting an element sets, or inherited when it sets none.
bool preferOf(Reading& reading, const char** attributes, bool inherited)
{
    const char* prefer = attribute(attributes, "prefer");
    if (prefer == nullptr)
        return inherited;
    if (std::strcmp(prefer, "public") == 0 || std::strcmp(prefer, "system") == 0)
        return std::strcmp(prefer, "public") == 0;
    reading.warn(std::string("catalog: prefer='") + prefer + "' is neither 'public' nor 'system'; ignored");
    return inherited;
}

void addEntry(Reading& reading, const EntryKind& kind, const char** attributes, const std::string& base,
              bool preferPublic)
{
    const char* match = kind.matchAttribute == nullptr ? "" : attribute(attributes, kind.matchAttribute);
    const char* target = attribute(attributes, kind.targetAttribute);
    if (match == nullptr || target == nullptr) {
        reading.warn(std::string("catalog: entry '") + kind.element + "' lacks its " +
                     (match == nullptr ? kind.matchAttribute : kind.targetAttribute) + " attribute; ignored");
        return;
    }
    const bool isPublic = kind.type == Entry::PUBLIC || kind.type == Entry::DELEGATE_PUBLIC;
    Entry entry{kind.type, isPublic ? Ids::normalizePublic(match) : Ids::normalizeSystem(match),
                Ids::resolveAgainst(target, base), preferPublic, ZOLSAX2CatalogFile::NO_LINK};
    reading.entries->push_back(std::move(entry));
}

// The element's meaning for the catalog: a scope that may hold entries, an entry, or
// something to ignore with everything in it.
void startElement(void* userData, const char* name, const char** attributes)
{
    auto& reading = *static_cast<Reading*>(userData);
    Reading::Scope scope;
    const Reading::Scope* parent = reading.scopes.empty() ? nullptr : &reading.scopes.back();
    scope.base = parent == nullptr ? reading.path : parent->base;
    scope.preferPublic = parent == nullptr || parent->preferPublic;
    for (const char** a = attributes; *a != nullptr; a += 2) {
        if (std::strcmp(*a, "xmlns") == 0)
            scope.namespaces.emplace_back("", a[1]);
        else if (std::strncmp(*a, "xmlns:", 6) == 0)
            scope.namespaces.emplace_back(*a + 6, a[1]);
    }
    const bool firstElement = !reading.sawRoot;
    reading.sawRoot = true;
    const bool inCatalog = firstElement || (parent != nullptr && parent->holdsEntries);
    reading.scopes.push_back(std::move(scope));
    Reading::Scope& current = reading.scopes.back();
    if (!inCatalog)
        return;
    const std::string qname = name;
    const std::size_t colon = qname.find(':');
    const std::string local = colon == std::string::npos ? qname : qname.substr(colon + 1);
    const bool ours =
        reading.namespaceOf(colon == std::string::npos ? "" : qname.substr(0, colon)) == CATALOG_NAMESPACE;
    if (firstElement && !(ours && local == "catalog")) {
        const std::string space = reading.namespaceOf(colon == std::string::npos ? "" : qname.substr(0, colon));
        reading.rootName = "'" + qname + "' " + (space.empty() ? "in no namespace" : "in " + space);
        return;
    }
    if (!ours)
        return;
    if (const char* base = attribute(attributes, "xml:base"))
        current.base = Ids::resolveAgainst(base, current.base);
    if (local == "catalog" || local == "group") {
        reading.isCatalog = reading.isCatalog || firstElement;
        current.holdsEntries = firstElement || local == "group";
        current.preferPublic = preferOf(reading, attributes, current.preferPublic);
        return;
    }
    for (const EntryKind& kind : entryKinds) {
        if (local == kind.element)
            addEntry(reading, kind, attributes, current.base, current.preferPublic);
    }
}

void endElement(void* userData, const char*)
{
    static_cast<Reading*>(userData)->scopes.pop_back();
}

} // namespace

struct ZOLSAX2CatalogReader::State {
    explicit State(ZOLLog& log)
        : log(log), warnings(log), parser(&reading, &warnings, startElement, endElement, nullptr, nullptr)
    {
        reading.log = &log;
        reading.parser = &parser;
        // Secure processing: a catalog may name no external entity, so none is ever fetched.
        parser.setSecureProcessing(true);
    }

    ZOLLog& log;
    WarningLog warnings;
    Reading reading;
    ZOLSAX2Parser parser;
};

ZOLSAX2CatalogReader::ZOLSAX2CatalogReader(ZOLLog& log) : state(std::make_unique<State>(log)) {}

ZOLSAX2CatalogReader::~ZOLSAX2CatalogReader() = default;

bool ZOLSAX2CatalogReader::read(ZOLSAX2CatalogFile& file)
{
    const std::string& location = file.getUri();
    std::vector<Entry>& entries = file.getEntries();
    entries.clear();
    const std::string path = Ids::localPath(location);
    const auto warn = [&](const std::string& text) {
        const ZOLLogLocation where(location.c_str(), 0, 0, ZOLLogEvent::LEVEL_WARNING);
        ZSAX::SAX_PARSE_ERROR.logAt(state->log, where, "0", "0", ("catalog '" + location + "' " + text).c_str());
        return false;
    };
    if (path.empty())
        return warn("not read: catalogs are read from local files only");
    // The system's reason for a file that cannot be opened says more than the reader's.
    struct stat status {};
    if (stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        return warn(std::string("not read: ") + std::strerror(EISDIR));
    std::FILE* opened = std::fopen(path.c_str(), "rb");
    if (opened == nullptr)
        return warn(std::string("not read: ") + std::strerror(errno));
    std::fclose(opened);
    Reading& reading = state->reading;
    reading.path = location;
    reading.entries = &entries;
    reading.scopes.clear();
    reading.sawRoot = false;
    reading.isCatalog = false;
    reading.rootName.clear();
    state->warnings.setPath(location);
    try {
        state->parser.parseFile(ZOLFile(path.c_str()));
    } catch (const ZOLException&) {
        entries.clear();
        return warn("ignored: it could not be parsed");
    }
    if (!reading.isCatalog) {
        entries.clear();
        return warn("ignored: its document element is " + reading.rootName + ", not 'catalog' in " + CATALOG_NAMESPACE);
    }
    return true;
}
