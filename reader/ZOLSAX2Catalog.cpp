#include "ZOLSAX2Catalog.h"

#include "ZOLSAX2CatalogFile.h"
#include "ZOLSAX2CatalogIdentifiers.h"
#include "ZOLSAX2CatalogReader.h"

#include <ZOLLog.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using Entry = ZOLSAX2CatalogFile::Entry;
using Ids = ZOLSAX2CatalogIdentifiers;

// How far one catalog file got with a request: no entry of it answers, an entry answers,
// or a delegation found nothing, which ends the whole resolution unanswered.
enum Outcome { NO_MATCH, FOUND, FAILED };

// Delegations within delegations beyond this end unanswered: catalogs that delegate to each
// other must not loop.
const int MAX_DELEGATIONS = 32;
// nextCatalog chains are followed this deep (libxml2 stops at 50), so that a chain of
// thousands of catalog files cannot exhaust the stack.
const int MAX_CHAIN = 64;

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Where the warnings of a catalog made without a log go.
class DiscardingLog : public ZOLLog {
public:
    void logEvent(const ZOLLogEvent&) override {}
};

// A request in the normalised form entries are compared with.
struct Request {
    std::string publicId;
    std::string systemId;
    std::string uri;
};

} // namespace

struct ZOLSAX2Catalog::Files {
    // Every file read, and those that could not be (without entries); links index it.
    std::vector<ZOLSAX2CatalogFile> files;
    // The files given to the constructor, in order.
    std::vector<std::size_t> roots;
    std::size_t readCount = 0;

    // One pass over a catalog entry file list: the files already consulted, and how deep in
    // delegation it is.
    struct Walk {
        std::vector<bool> visited;
        int delegations;
    };

    Outcome inList(const std::vector<std::size_t>& list, const Request& request, int delegations,
                   std::string& result) const
    {
        if (delegations > MAX_DELEGATIONS)
            return FAILED;
        Walk walk{std::vector<bool>(files.size(), false), delegations};
        for (const std::size_t file : list) {
            const Outcome outcome = inFile(walk, file, request, result, 0);
            if (outcome != NO_MATCH)
                return outcome;
        }
        return NO_MATCH;
    }

    // One file's entries, then the files its nextCatalog entries name.
    Outcome inFile(Walk& walk, std::size_t file, const Request& request, std::string& result, int chain) const
    {
        if (walk.visited[file] || chain > MAX_CHAIN)
            return NO_MATCH;
        walk.visited[file] = true;
        const std::vector<Entry>& entries = files[file].getEntries();
        const Outcome outcome = request.uri.empty() ? externalEntries(walk, entries, request, result)
                                                    : uriEntries(walk, entries, request, result);
        if (outcome != NO_MATCH)
            return outcome;
        for (const Entry& entry : entries) {
            if (entry.type == Entry::NEXT_CATALOG) {
                const Outcome next = inFile(walk, entry.link, request, result, chain + 1);
                if (next != NO_MATCH)
                    return next;
            }
        }
        return NO_MATCH;
    }

    Outcome externalEntries(const Walk& walk, const std::vector<Entry>& entries, const Request& request,
                            std::string& result) const
    {
        const std::string& systemId = request.systemId;
        if (!systemId.empty()) {
            const Outcome outcome = matchId(walk, entries, systemId, Entry::SYSTEM, Entry::REWRITE_SYSTEM,
                                            Entry::SYSTEM_SUFFIX, Entry::DELEGATE_SYSTEM, result);
            if (outcome != NO_MATCH)
                return outcome;
        }
        if (request.publicId.empty())
            return NO_MATCH;
        // With a system identifier given, only entries under prefer="public" take part.
        const auto applies = [&](const Entry& entry) { return systemId.empty() || entry.preferPublic; };
        for (const Entry& entry : entries) {
            if (entry.type == Entry::PUBLIC && applies(entry) && entry.match == request.publicId) {
                result = entry.target;
                return FOUND;
            }
        }
        std::vector<std::pair<std::size_t, std::size_t>> delegates;
        for (const Entry& entry : entries) {
            if (entry.type == Entry::DELEGATE_PUBLIC && applies(entry) && startsWith(request.publicId, entry.match))
                delegates.emplace_back(entry.match.size(), entry.link);
        }
        return delegate(walk, delegates, Request{request.publicId, "", ""}, result);
    }

    Outcome uriEntries(const Walk& walk, const std::vector<Entry>& entries, const Request& request,
                       std::string& result) const
    {
        return matchId(walk, entries, request.uri, Entry::URI, Entry::REWRITE_URI, Entry::URI_SUFFIX,
                       Entry::DELEGATE_URI, result);
    }

    // The four steps for a system identifier or a URI: an exact entry, the longest rewrite,
    // the longest suffix, then delegation.
    Outcome matchId(const Walk& walk, const std::vector<Entry>& entries, const std::string& id, Entry::Type exact,
                    Entry::Type rewrite, Entry::Type suffix, Entry::Type delegation, std::string& result) const
    {
        for (const Entry& entry : entries) {
            if (entry.type == exact && entry.match == id) {
                result = entry.target;
                return FOUND;
            }
        }
        const Entry* longest = nullptr;
        for (const Entry& entry : entries) {
            if (entry.type == rewrite && startsWith(id, entry.match) &&
                (longest == nullptr || entry.match.size() > longest->match.size()))
                longest = &entry;
        }
        if (longest != nullptr) {
            result = longest->target + id.substr(longest->match.size());
            return FOUND;
        }
        for (const Entry& entry : entries) {
            if (entry.type == suffix && endsWith(id, entry.match) &&
                (longest == nullptr || entry.match.size() > longest->match.size()))
                longest = &entry;
        }
        if (longest != nullptr) {
            result = longest->target;
            return FOUND;
        }
        std::vector<std::pair<std::size_t, std::size_t>> delegates;
        for (const Entry& entry : entries) {
            if (entry.type == delegation && startsWith(id, entry.match))
                delegates.emplace_back(entry.match.size(), entry.link);
        }
        const bool isUri = exact == Entry::URI;
        return delegate(walk, delegates, Request{"", isUri ? "" : id, isUri ? id : ""}, result);
    }

    // Resolution restarted in the delegated catalogs alone, the longest match first; when
    // none answers, the resolution ends unanswered.
    Outcome delegate(const Walk& walk, std::vector<std::pair<std::size_t, std::size_t>>& delegates,
                     const Request& request, std::string& result) const
    {
        if (delegates.empty())
            return NO_MATCH;
        std::stable_sort(delegates.begin(), delegates.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        std::vector<std::size_t> list;
        for (const auto& [length, link] : delegates) {
            if (std::find(list.begin(), list.end(), link) == list.end())
                list.push_back(link);
        }
        return inList(list, request, walk.delegations + 1, result) == FOUND ? FOUND : FAILED;
    }

    std::string resolve(const Request& request) const
    {
        std::string result;
        return inList(roots, request, 0, result) == FOUND ? result : std::string();
    }
};

ZOLString ZOLSAX2Catalog::conventionalFiles(const char* xmlCatalogFiles)
{
    return xmlCatalogFiles != nullptr ? ZOLString(xmlCatalogFiles) : ZOLString("/etc/xml/catalog");
}

ZOLSAX2Catalog::ZOLSAX2Catalog(const ZOLString& fileList, ZOLLog* log) : files(new Files)
{
    std::vector<ZOLString> names;
    const std::string list = fileList.chars();
    std::size_t start = 0;
    while ((start = list.find_first_not_of(" \t\r\n", start)) != std::string::npos) {
        const std::size_t end = list.find_first_of(" \t\r\n", start);
        names.emplace_back(list.substr(start, end - start).c_str());
        start = end;
    }
    load(names.data(), names.size(), log);
}

ZOLSAX2Catalog::ZOLSAX2Catalog(const ZOLString* fileArray, std::size_t count, ZOLLog* log) : files(new Files)
{
    load(fileArray, count, log);
}

ZOLSAX2Catalog::~ZOLSAX2Catalog()
{
    delete files;
    files = nullptr;
}

void ZOLSAX2Catalog::load(const ZOLString* fileArray, std::size_t count, ZOLLog* log)
{
    DiscardingLog discarding;
    if (log == nullptr)
        log = &discarding;
    // Files are read once each, named by their local path, in the order they are first named.
    std::map<std::string, std::size_t> known;
    ZOLSAX2CatalogReader reader(*log);
    const auto indexOf = [&](const std::string& uri) {
        const std::string path = Ids::localPath(uri);
        const auto [at, added] = known.emplace(path.empty() ? uri : path, files->files.size());
        if (added) {
            files->files.emplace_back(uri);
            files->readCount += reader.read(files->files.back()) ? 1 : 0;
        }
        return at->second;
    };
    for (std::size_t i = 0; i < count; ++i)
        files->roots.push_back(indexOf(fileArray[i].chars()));
    // Files chained to are read after those that name them; the list grows as it is walked.
    for (std::size_t file = 0; file < files->files.size(); ++file) {
        for (std::size_t e = 0; e < files->files[file].getEntries().size(); ++e) {
            const Entry& entry = files->files[file].getEntries()[e];
            if (entry.type == Entry::NEXT_CATALOG || entry.type == Entry::DELEGATE_PUBLIC ||
                entry.type == Entry::DELEGATE_SYSTEM || entry.type == Entry::DELEGATE_URI) {
                const std::string target = entry.target;
                const std::size_t link = indexOf(target);
                files->files[file].getEntries()[e].link = link;
            }
        }
    }
}

ZOLString ZOLSAX2Catalog::resolveExternal(const ZOLString& publicId, const ZOLString& systemId) const
{
    Request request{Ids::normalizePublic(publicId.chars()), systemId.chars(), ""};
    if (Ids::isPublicIdUrn(request.publicId))
        request.publicId = Ids::normalizePublic(Ids::unwrapUrn(request.publicId));
    // A system identifier that is a public identifier URN stands for that public identifier;
    // when it contradicts the public identifier given, it is dropped and the latter kept.
    if (Ids::isPublicIdUrn(request.systemId)) {
        if (request.publicId.empty())
            request.publicId = Ids::normalizePublic(Ids::unwrapUrn(request.systemId));
        request.systemId.clear();
    }
    request.systemId = Ids::normalizeSystem(request.systemId);
    if (request.publicId.empty() && request.systemId.empty())
        return ZOLString();
    return ZOLString(files->resolve(request).c_str());
}

ZOLString ZOLSAX2Catalog::resolveURI(const ZOLString& uri) const
{
    const std::string text = uri.chars();
    if (Ids::isPublicIdUrn(text))
        return resolveExternal(Ids::unwrapUrn(text).c_str(), ZOLString());
    if (text.empty())
        return ZOLString();
    return ZOLString(files->resolve(Request{"", "", Ids::normalizeSystem(text)}).c_str());
}

std::size_t ZOLSAX2Catalog::fileCount() const
{
    return files->readCount;
}

bool ZOLSAX2Catalog::resolve(void* context, int kind, const char* publicId, const char* systemId, const char* base,
                             ZOLSAX2Resolved* answer)
{
    const auto* catalog = static_cast<const ZOLSAX2Catalog*>(context);
    const std::string system = systemId == nullptr ? "" : systemId;
    const std::string absolute = base == nullptr ? system : Ids::resolveAgainst(system, base);
    ZOLString found;
    if (kind == ZOLSAX2_RESOURCE_URI) {
        found = catalog->resolveURI(system.c_str());
        if (found.isEmpty() && absolute != system)
            found = catalog->resolveURI(absolute.c_str());
    }
    if (found.isEmpty())
        found = catalog->resolveExternal(publicId, system.c_str());
    if (found.isEmpty() && absolute != system)
        found = catalog->resolveExternal(publicId, absolute.c_str());
    if (found.isEmpty())
        return false;
    // The answer lives until the next call on this thread: one catalog serves many threads.
    thread_local std::string location;
    const std::string path = Ids::localPath(found.chars());
    location = path.empty() ? found.chars() : path;
    answer->location = location.c_str();
    answer->content = nullptr;
    answer->contentLength = 0;
    return true;
}

ZOLString ZOLSAX2Catalog::localPath(const ZOLString& uri)
{
    return ZOLString(Ids::localPath(uri.chars()).c_str());
}
