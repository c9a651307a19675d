#include "SourceNames.h"

#include <ZOLSAX2Catalog.h>
#include <ZOLString.h>

#include <filesystem>
#include <system_error>

namespace zolsax2 {

namespace {

// The local path of a file: URL ("file:///a%20b" is "/a b"), or empty for anything else.
std::string pathOfFileUrl(const std::string& url)
{
    if (url.compare(0, 5, "file:") != 0)
        return std::string();
    return ZOLSAX2Catalog::localPath(ZOLString(url.c_str())).chars();
}

// path relative to the current directory, or path itself when the two share no folder but
// the root (a long climb of "../" helps nobody).
std::string relativeToCurrentDirectory(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path current = fs::current_path(ec);
    if (ec || current == current.root_path())
        return path;
    const fs::path normal = fs::path(path).lexically_normal();
    const fs::path relative = normal.lexically_relative(current);
    if (relative.empty())
        return path;
    std::size_t up = 0;
    for (const fs::path& part : relative)
        up += part == ".." ? 1 : 0;
    std::size_t depth = 0;
    for (const fs::path& part : current.relative_path())
        depth += part.empty() ? 0 : 1;
    return up >= depth ? path : relative.string();
}

} // namespace

void SourceNames::add(const std::string& systemId, const std::string& name)
{
    if (systemId.empty())
        return;
    known.emplace_back(systemId, name);
}

bool SourceNames::isInput(const std::string& systemId) const
{
    if (systemId.empty())
        return true;
    for (const auto& [id, name] : known) {
        if (id == systemId)
            return name == input;
    }
    return systemId == input;
}

std::string SourceNames::nameOf(const std::string& systemId) const
{
    if (systemId.empty())
        return input;
    for (const auto& [id, name] : known) {
        if (id == systemId)
            return name;
    }
    const std::string path = systemId[0] == '/' ? systemId : pathOfFileUrl(systemId);
    return path.empty() ? systemId : relativeToCurrentDirectory(path);
}

std::string SourceNames::rewrite(const std::string& text, const std::string& file) const
{
    std::string result = text;
    const auto replace = [&result](const std::string& id, const std::string& name) {
        // Only a quoted identifier is a path: a bare "stdin" may be a word of the message.
        for (const char quote : {'\'', '"'}) {
            const std::string quoted = quote + id + quote;
            const std::string replacement = quote + name + quote;
            for (std::size_t at = result.find(quoted); at != std::string::npos;
                 at = result.find(quoted, at + replacement.size()))
                result.replace(at, quoted.size(), replacement);
        }
    };
    for (const auto& [id, name] : known)
        replace(id, name);
    if (!file.empty())
        replace(file, nameOf(file));
    return result;
}

} // namespace zolsax2
