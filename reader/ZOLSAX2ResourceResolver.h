#ifndef ZOLSAX2RESOURCERESOLVER_H
#define ZOLSAX2RESOURCERESOLVER_H

#include "ZOLSAX2Catalog.h"

#include <ZOLString.h>

#include <xercesc/util/XMLEntityResolver.hpp>

#include <map>
#include <string>

XERCES_CPP_NAMESPACE_BEGIN
class SAX2XMLReader;
XERCES_CPP_NAMESPACE_END

class ZOLSAX2EntityGuard;

// Puts an application's resolver (a catalog, say) in front of a reader: every resource the
// reader asks for (the external DTD, external entities, schema documents, an import without
// a location by its namespace) goes to the resolver first. An answer is read from where the
// resolver says; a declined request is opened as the reader itself would, or, in secure mode,
// passed to the guard that follows, which decides as without a resolver. In secure mode only
// an answer that is a local file or content in memory is trusted: a URL answer also goes to
// the guard. An answer with neither location nor content refuses the resource. Remembers
// where each resource was read from, so that records can name it as the document wrote it.
// Internal to the library.
class ZOLSAX2ResourceResolver : public xercesc::XMLEntityResolver {
public:
    ZOLSAX2ResourceResolver() = default;
    ZOLSAX2ResourceResolver(const ZOLSAX2ResourceResolver&) = delete;
    ZOLSAX2ResourceResolver& operator=(const ZOLSAX2ResourceResolver&) = delete;
    ~ZOLSAX2ResourceResolver() override;

    // The application's resolver and its context; a null resolver turns it off.
    void set(ZOLSAX2Resolver resolver, void* context) noexcept;
    bool isSet() const noexcept { return function != nullptr; }
    // True when resolver is the function set, whatever its context.
    bool isFunction(ZOLSAX2Resolver resolver) const noexcept { return function == resolver; }
    // Installs this resolver in reader (the library's own SAX2 reader, not parsing), after the
    // guard when next is the secure reader's guard (null outside secure mode).
    void install(xercesc::SAX2XMLReader* reader, ZOLSAX2EntityGuard* next);
    // Forgets what the last document read; call before each parse.
    void reset();
    // Resources refused by an empty answer since the last reset.
    unsigned long getRefusals() const noexcept { return refusals; }
    // The entity name records give for systemId: "as written (read from X)" when the resource
    // named as written was read from X, else systemId itself.
    ZOLString displayName(const ZOLString& systemId) const;

    xercesc::InputSource* resolveEntity(xercesc::XMLResourceIdentifier* resource) override;

private:
    // The source for an answer; null when the answer is not to be trusted.
    xercesc::InputSource* open(const ZOLSAX2Resolved& answer, const XMLCh* written);
    // What the reader opens for a request no resolver answers.
    static xercesc::InputSource* openAsNamed(const xercesc::XMLResourceIdentifier& resource);

    ZOLSAX2Resolver function = nullptr;
    void* context = nullptr;
    ZOLSAX2EntityGuard* next = nullptr;
    unsigned long refusals = 0;
    // The identifiers of the last request refused: a reader that asks twice in a row (a
    // grammar-caching one, for the external DTD) is refused without asking again.
    std::string lastRefused;
    // The system identifier of each source read from elsewhere, and the name the document
    // gave it.
    std::map<std::string, std::string> written;
};

#endif
