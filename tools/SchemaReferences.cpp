#include "SchemaReferences.h"

#include <ZOLException.h>
#include <ZOLFile.h>
#include <ZOLMemoryLog.h>
#include <ZOLSAX2Parser.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace zolsax2 {

namespace {

// The elements of one schema document that name others, by absolute path.
struct Collector {
    ZOLSAX2Parser* parser = nullptr;
    std::filesystem::path folder;
    std::vector<std::pair<std::string, std::pair<long, long>>> found;

    static void startElement(void* data, const char* name, const char** attributes)
    {
        auto* self = static_cast<Collector*>(data);
        const char* colon = std::strrchr(name, ':');
        const std::string local = colon == nullptr ? name : colon + 1;
        if (local != "include" && local != "import" && local != "redefine")
            return;
        for (const char** a = attributes; *a != nullptr; a += 2) {
            if (std::strcmp(a[0], "schemaLocation") != 0 || std::strstr(a[1], "://") != nullptr)
                continue;
            long line = 0;
            long column = 0;
            std::sscanf(self->parser->getPosition().chars(), "%ld:%ld", &line, &column);
            const std::filesystem::path named(a[1]);
            const std::filesystem::path path = named.is_absolute() ? named : self->folder / named;
            self->found.push_back({path.lexically_normal().string(), {line, column}});
        }
    }
};

// "unable to open primary document entity 'PATH'": the reader's text for a document it
// could not open; PATH, or empty for any other text.
std::string unopened(const std::string& text)
{
    const std::string start = "unable to open primary document entity '";
    if (text.compare(0, start.size(), start) != 0 || text.size() < start.size() + 1 || text.back() != '\'')
        return std::string();
    return text.substr(start.size(), text.size() - start.size() - 1);
}

} // namespace

void SchemaReferences::add(const std::string& path, bool secure)
{
    pending.emplace_back(path, secure);
}

void SchemaReferences::read(const std::string& path, bool secure)
{
    if (std::find(done.begin(), done.end(), path) != done.end() || done.size() >= 1000)
        return;
    done.push_back(path);
    Collector collector;
    collector.folder = std::filesystem::path(path).parent_path();
    // The document's own problems are the validator's to report.
    ZOLMemoryLog log;
    try {
        ZOLSAX2Parser parser(&collector, &log, Collector::startElement, nullptr, nullptr, nullptr);
        collector.parser = &parser;
        parser.setSecureProcessing(secure);
        parser.parseFile(ZOLFile(path.c_str()));
    } catch (const ZOLException&) {
        // What was read up to the problem still counts.
    }
    for (const auto& [named, position] : collector.found) {
        references.emplace(named, Reference{path, position.first, position.second});
        if (std::filesystem::is_regular_file(named))
            read(named, secure);
    }
}

void SchemaReferences::place(std::vector<DiagnosticLog::Record>& records)
{
    for (DiagnosticLog::Record& r : records) {
        if (r.line > 0 || unopened(r.text).empty())
            continue;
        for (const auto& [path, secure] : pending)
            read(path, secure);
        pending.clear();
        const auto found = references.find(unopened(r.text));
        if (found == references.end())
            continue;
        r.file = found->second.file;
        r.line = found->second.line;
        r.column = found->second.column;
    }
}

} // namespace zolsax2
