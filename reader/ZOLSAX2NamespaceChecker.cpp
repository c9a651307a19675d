#include "ZOLSAX2NamespaceChecker.h"

#include <ZOLString.h>

#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>

#include <algorithm>
#include <utility>

namespace {

const std::u16string XML_PREFIX = u"xml";
const std::u16string XMLNS_PREFIX = u"xmlns";
const std::u16string XML_NAMESPACE = u"http://www.w3.org/XML/1998/namespace";
const std::u16string XMLNS_NAMESPACE = u"http://www.w3.org/2000/xmlns/";

std::string utf8(const std::u16string& text)
{
    return ZOLString(text.c_str()).chars();
}

std::string quoted(const std::u16string& text)
{
    return "'" + utf8(text) + "'";
}

} // namespace

ZOLSAX2NamespaceChecker::ZOLSAX2NamespaceChecker(xercesc::ErrorHandler& errors) : errors(errors) {}

void ZOLSAX2NamespaceChecker::reset()
{
    bindings.clear();
    scopes.clear();
}

void ZOLSAX2NamespaceChecker::report(const std::string& message, const xercesc::Locator* locator)
{
    const ZOLString text(message.c_str());
    const auto* wide = reinterpret_cast<const XMLCh*>(text.wchars());
    if (locator == nullptr) {
        errors.error(xercesc::SAXParseException(wide, nullptr, nullptr, 0, 0));
        return;
    }
    errors.error(xercesc::SAXParseException(wide, locator->getPublicId(), locator->getSystemId(),
                                            locator->getLineNumber(), locator->getColumnNumber()));
}

bool ZOLSAX2NamespaceChecker::split(const std::u16string& qname, std::u16string& prefix, std::u16string& local,
                                    const char* what, const xercesc::Locator* locator)
{
    const std::size_t colon = qname.find(u':');
    if (colon == std::u16string::npos) {
        prefix.clear();
        local = qname;
        return true;
    }
    if (colon == 0 || colon + 1 == qname.size() || qname.find(u':', colon + 1) != std::u16string::npos) {
        report(std::string(what) + " name " + quoted(qname) + " is not a qualified name (PREFIX:NAME)", locator);
        return false;
    }
    prefix = qname.substr(0, colon);
    local = qname.substr(colon + 1);
    return true;
}

bool ZOLSAX2NamespaceChecker::lookUp(const std::u16string& prefix, std::u16string& uri) const
{
    if (prefix == XML_PREFIX) {
        uri = XML_NAMESPACE;
        return true;
    }
    const auto found =
        std::find_if(bindings.rbegin(), bindings.rend(), [&](const Binding& b) { return b.prefix == prefix; });
    if (found == bindings.rend())
        return false;
    uri = found->uri;
    return true;
}

void ZOLSAX2NamespaceChecker::declare(const std::u16string& prefix, const std::u16string& uri,
                                      const xercesc::Locator* locator)
{
    const std::string declaration = prefix.empty() ? "xmlns" : "xmlns:" + utf8(prefix);
    if (prefix == XMLNS_PREFIX)
        report("the prefix 'xmlns' must not be declared", locator);
    else if (prefix == XML_PREFIX && uri != XML_NAMESPACE)
        report("the prefix 'xml' cannot be bound to any namespace other than '" + utf8(XML_NAMESPACE) + "'", locator);
    else if (prefix != XML_PREFIX && uri == XML_NAMESPACE)
        report(declaration + ": the namespace '" + utf8(XML_NAMESPACE) + "' is bound to the prefix 'xml' only",
               locator);
    else if (uri == XMLNS_NAMESPACE)
        report(declaration + ": the namespace '" + utf8(XMLNS_NAMESPACE) + "' must not be declared", locator);
    else if (!prefix.empty() && uri.empty())
        report(declaration + "=\"\": a prefix cannot be undeclared", locator);
    bindings.push_back({prefix, uri});
}

void ZOLSAX2NamespaceChecker::startElement(const XMLCh* qname, const xercesc::Attributes& attrs,
                                           const xercesc::Locator* locator)
{
    scopes.push_back(bindings.size());
    const XMLSize_t n = attrs.getLength();
    std::u16string prefix;
    std::u16string local;
    // The declarations first: they apply to the element's own name and attributes.
    for (XMLSize_t i = 0; i < n; ++i) {
        const std::u16string name = attrs.getQName(i);
        const std::u16string value = attrs.getValue(i);
        if (name == XMLNS_PREFIX)
            declare(std::u16string(), value, locator);
        else if (name.compare(0, 6, u"xmlns:") == 0 && split(name, prefix, local, "attribute", locator))
            declare(local, value, locator);
    }
    const std::u16string element = qname;
    std::u16string uri;
    if (split(element, prefix, local, "element", locator)) {
        if (prefix == XMLNS_PREFIX)
            report("element " + quoted(element) + " has the reserved prefix 'xmlns'", locator);
        else if (!prefix.empty() && !lookUp(prefix, uri))
            report("the prefix " + quoted(prefix) + " of element " + quoted(element) + " is not declared", locator);
    }
    // Attributes in a namespace, by namespace and local name, to find two with one name.
    std::vector<std::pair<std::u16string, std::u16string>> expanded;
    for (XMLSize_t i = 0; i < n; ++i) {
        const std::u16string name = attrs.getQName(i);
        if (name == XMLNS_PREFIX || name.compare(0, 6, u"xmlns:") == 0 ||
            !split(name, prefix, local, "attribute", locator) || prefix.empty())
            continue;
        if (!lookUp(prefix, uri)) {
            report("the prefix " + quoted(prefix) + " of attribute " + quoted(name) + " is not declared", locator);
            continue;
        }
        std::pair<std::u16string, std::u16string> key(uri, local);
        if (std::find(expanded.begin(), expanded.end(), key) != expanded.end())
            report("attribute " + quoted(name) + " repeats the name {" + utf8(uri) + "}" + utf8(local) +
                       " of another attribute of element " + quoted(element),
                   locator);
        else
            expanded.push_back(std::move(key));
    }
}

void ZOLSAX2NamespaceChecker::processingInstruction(const XMLCh* target, const xercesc::Locator* locator)
{
    const std::u16string name = target;
    if (name.find(u':') != std::u16string::npos)
        report("processing instruction target " + quoted(name) + " has a colon", locator);
}

void ZOLSAX2NamespaceChecker::endElement()
{
    if (scopes.empty())
        return;
    bindings.resize(scopes.back());
    scopes.pop_back();
}
