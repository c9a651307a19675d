#include "SourceNames.h"

namespace zolsax2 {

void SourceNames::add(const std::string& systemId, const std::string& name)
{
    if (systemId.empty() || systemId == name)
        return;
    known.emplace_back(systemId, name);
}

const std::string& SourceNames::nameOf(const std::string& systemId) const
{
    for (const auto& [id, name] : known) {
        if (id == systemId)
            return name;
    }
    return systemId;
}

std::string SourceNames::rewrite(const std::string& text) const
{
    std::string result = text;
    for (const auto& [id, name] : known) {
        // Only a quoted identifier is a path: a bare "stdin" may be a word of the message.
        for (const char quote : {'\'', '"'}) {
            const std::string quoted = quote + id + quote;
            const std::string replacement = quote + name + quote;
            for (std::size_t at = result.find(quoted); at != std::string::npos;
                 at = result.find(quoted, at + replacement.size()))
                result.replace(at, quoted.size(), replacement);
        }
    }
    return result;
}

} // namespace zolsax2
