#ifndef ZOLSAX2CATALOGIDENTIFIERS_H
#define ZOLSAX2CATALOGIDENTIFIERS_H

#include <string>

// The text rules of OASIS XML catalogs: how public identifiers, system identifiers and URIs
// are normalised before they are compared, how a urn:publicid: URN is unwrapped, and how a
// catalog's relative references are made absolute. Internal to the library.
class ZOLSAX2CatalogIdentifiers {
public:
    // Blanks (space, tab, CR, LF) collapsed to one space, none at either end.
    static std::string normalizePublic(const std::string& publicId);
    // Bytes that may not stand in a URI (controls, space, non-ASCII, " < > \ ^ ` { | })
    // percent-escaped as %HH; everything else, escapes included, unchanged.
    static std::string normalizeSystem(const std::string& systemId);
    // True when text starts with urn:publicid:, in any case.
    static bool isPublicIdUrn(const std::string& text);
    // The public identifier a urn:publicid: URN stands for.
    static std::string unwrapUrn(const std::string& urn);
    // True when text starts with a URI scheme and a colon (http:, file:, urn:).
    static bool hasScheme(const std::string& text);
    // reference made absolute against base (a URL or a path; a relative base gives a
    // relative answer, as relative as the base): RFC 3986 reference resolution.
    static std::string resolveAgainst(const std::string& reference, const std::string& base);
    // The path a file: URL names, escapes decoded; a plain path as it is; empty for other
    // URLs and for a file: URL on another host.
    static std::string localPath(const std::string& uri);
};

#endif
