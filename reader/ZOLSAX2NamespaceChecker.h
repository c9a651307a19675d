#ifndef ZOLSAX2NAMESPACECHECKER_H
#define ZOLSAX2NAMESPACECHECKER_H

#include <xercesc/util/XercesDefs.hpp>

#include <string>
#include <vector>

XERCES_CPP_NAMESPACE_BEGIN
class Attributes;
class ErrorHandler;
class Locator;
XERCES_CPP_NAMESPACE_END

// Checks the namespace constraints of XML (qualified names, declared prefixes, attributes
// with one expanded name, the reserved prefixes xml and xmlns, no colon in a processing
// instruction's target) over the elements of a reader
// that runs without namespace processing, so that what the callbacks receive stays as it is.
// Each violation goes to the error handler as an error at the reader's position; the reader
// reads on. Internal to the library.
class ZOLSAX2NamespaceChecker {
public:
    // Reports to errors, which must outlive the checker.
    explicit ZOLSAX2NamespaceChecker(xercesc::ErrorHandler& errors);

    // Forgets every binding, for a new document.
    void reset();
    // Checks a start tag (qualified name and attributes as written) and opens its scope.
    void startElement(const XMLCh* qname, const xercesc::Attributes& attrs, const xercesc::Locator* locator);
    // Checks that a processing instruction's target has no colon.
    void processingInstruction(const XMLCh* target, const xercesc::Locator* locator);
    // Closes the scope of the innermost open element.
    void endElement();

private:
    struct Binding {
        std::u16string prefix;
        std::u16string uri;
    };

    void declare(const std::u16string& prefix, const std::u16string& uri, const xercesc::Locator* locator);
    // The namespace bound to prefix; false when it is not bound.
    bool lookUp(const std::u16string& prefix, std::u16string& uri) const;
    // The prefix of a well-formed qualified name (empty without one); reports a malformed one.
    bool split(const std::u16string& qname, std::u16string& prefix, std::u16string& local, const char* what,
               const xercesc::Locator* locator);
    void report(const std::string& message, const xercesc::Locator* locator);

    xercesc::ErrorHandler& errors;
    std::vector<Binding> bindings;
    // The number of bindings before each open element.
    std::vector<std::size_t> scopes;
};

#endif
