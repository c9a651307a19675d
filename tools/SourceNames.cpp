#include "SourceNames.h"

#include <filesystem>
#include <system_error>

namespace zolsax2 {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The local path of a file: URL ("file:///a%20b" is "/a b"), or empty for anything else.
std::string pathOfFileUrl(const std::string& url)
{
    const std::string scheme = "file://";
    if (url.compare(0, scheme.size(), scheme) != 0)
        return std::string();
    std::size_t start = scheme.size();
    if (url.compare(start, 9, "localhost") == 0)
        start += 9;
    if (start >= url.size() || url[start] != '/')
        return std::string();
    std::string path;
    for (std::size_t i = start; i < url.size(); ++i) {
        const int high = url[i] == '%' && i + 2 < url.size() ? hexValue(url[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(url[i + 2]) : -1;
        if (low >= 0) {
            path += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            path += url[i];
        }
    }
    return path;
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
