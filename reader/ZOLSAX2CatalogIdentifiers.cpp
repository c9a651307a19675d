#include "ZOLSAX2CatalogIdentifiers.h"

#include <cstring>
#include <vector>

namespace {

const char PUBLICID_URN[] = "urn:publicid:";

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool mayStandInUri(unsigned char c)
{
    return c > 0x20 && c < 0x7F && std::strchr("\"<>\\^`{|}", c) == nullptr;
}

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

bool startsWithIgnoringCase(const std::string& text, const char* prefix)
{
    const std::size_t n = std::strlen(prefix);
    if (text.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

// The path with its "." and ".." segments applied. A relative path keeps the ".." segments
// that climb above its start, so that it stays relative to the same place.
std::string removeDotSegments(const std::string& path)
{
    const bool absolute = !path.empty() && path[0] == '/';
    std::vector<std::string> kept;
    bool trailingSlash = false;
    std::size_t start = absolute ? 1 : 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string segment = path.substr(start, end - start);
        const bool last = end == path.size();
        trailingSlash = last && (segment == "." || segment == "..");
        if (segment == "..") {
            if (!kept.empty() && kept.back() != "..")
                kept.pop_back();
            else if (!absolute)
                kept.push_back(segment);
        } else if (segment != "." && (!segment.empty() || last)) {
            kept.push_back(segment);
        } else if (segment.empty() && !last) {
            kept.push_back(segment);
        }
        start = end + 1;
    }
    std::string result = absolute ? "/" : "";
    for (std::size_t i = 0; i < kept.size(); ++i)
        result += (i == 0 ? "" : "/") + kept[i];
    if (trailingSlash && !result.empty() && result.back() != '/')
        result += '/';
    return result;
}

} // namespace

std::string ZOLSAX2CatalogIdentifiers::normalizePublic(const std::string& publicId)
{
    std::string result;
    bool pendingSpace = false;
    for (const char c : publicId) {
        if (isBlank(c)) {
            pendingSpace = !result.empty();
            continue;
        }
        if (pendingSpace)
            result += ' ';
        pendingSpace = false;
        result += c;
    }
    return result;
}

std::string ZOLSAX2CatalogIdentifiers::normalizeSystem(const std::string& systemId)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string result;
    for (const char c : systemId) {
        const auto byte = static_cast<unsigned char>(c);
        if (mayStandInUri(byte)) {
            result += c;
        } else {
            result += '%';
            result += digits[byte >> 4];
            result += digits[byte & 0xF];
        }
    }
    return result;
}

bool ZOLSAX2CatalogIdentifiers::isPublicIdUrn(const std::string& text)
{
    return startsWithIgnoringCase(text, PUBLICID_URN);
}

std::string ZOLSAX2CatalogIdentifiers::unwrapUrn(const std::string& urn)
{
    // The characters a URN spells as %HH; any other escape stays as it is.
    static const char decoded[] = "+:/;'?#%";
    std::string result;
    for (std::size_t i = sizeof PUBLICID_URN - 1; i < urn.size(); ++i) {
        const char c = urn[i];
        const int value = c == '%' && i + 2 < urn.size() && hexValue(urn[i + 1]) >= 0 && hexValue(urn[i + 2]) >= 0
                              ? hexValue(urn[i + 1]) * 16 + hexValue(urn[i + 2])
                              : 0;
        if (c == '+') {
            result += ' ';
        } else if (c == ':') {
            result += "//";
        } else if (c == ';') {
            result += "::";
        } else if (value != 0 && std::strchr(decoded, value) != nullptr) {
            result += static_cast<char>(value);
            i += 2;
        } else {
            result += c;
        }
    }
    return result;
}

bool ZOLSAX2CatalogIdentifiers::hasScheme(const std::string& text)
{
    if (text.empty() || !isAlpha(text[0]))
        return false;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ':')
            return true;
        if (!isAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return false;
    }
    return false;
}

std::string ZOLSAX2CatalogIdentifiers::resolveAgainst(const std::string& reference, const std::string& base)
{
    if (base.empty() || hasScheme(reference))
        return reference;
    if (reference.empty())
        return base;
    // The base's scheme ("file:"), its authority ("//host") and its path.
    std::string scheme;
    std::size_t at = 0;
    if (hasScheme(base)) {
        at = base.find(':') + 1;
        scheme = base.substr(0, at);
    }
    std::string authority;
    if (base.compare(at, 2, "//") == 0) {
        const std::size_t end = base.find_first_of("/?#", at + 2);
        authority = base.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at += authority.size();
    }
    std::string path = base.substr(at, base.find_first_of("?#", at) - at);
    if (reference.compare(0, 2, "//") == 0)
        return scheme + reference;
    if (reference[0] == '/')
        return scheme + authority + removeDotSegments(reference);
    if (reference[0] == '#' || reference[0] == '?')
        return scheme + authority + path + reference;
    const std::size_t slash = path.rfind('/');
    std::string merged = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    if (!authority.empty() && path.empty())
        merged = "/";
    return scheme + authority + removeDotSegments(merged + reference);
}

std::string ZOLSAX2CatalogIdentifiers::localPath(const std::string& uri)
{
    if (!startsWithIgnoringCase(uri, "file:"))
        return hasScheme(uri) ? std::string() : uri;
    std::string rest = uri.substr(5);
    if (rest.compare(0, 2, "//") == 0) {
        const std::size_t slash = rest.find('/', 2);
        const std::string host = rest.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
        if (!host.empty() && !(host.size() == 9 && startsWithIgnoringCase(host, "localhost")))
            return std::string();
        rest = slash == std::string::npos ? std::string("/") : rest.substr(slash);
    }
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && hexValue(rest[i + 1]) >= 0 && hexValue(rest[i + 2]) >= 0) {
            path += static_cast<char>(hexValue(rest[i + 1]) * 16 + hexValue(rest[i + 2]));
            i += 2;
        } else {
            path += rest[i];
        }
    }
    return path;
}
