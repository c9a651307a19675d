#include "XmlCatalogue.h"

#include "SuiteReader.h"

#include <ZOLString.h>

#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>

#include <stdexcept>

namespace {

std::string utf8(const XMLCh* text)
{
    return ZOLString(text).chars();
}

class CatalogueHandler : public xercesc::DefaultHandler {
public:
    void setDocumentLocator(const xercesc::Locator* const documentLocator) override { locator = documentLocator; }

    void startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname,
                      const xercesc::Attributes& attrs) override
    {
        // An element's base: its xml:base, else its parent's base when the parent lies in
        // the same entity, else the entity's own location.
        const std::string entity = utf8(locator->getSystemId());
        std::string base = (!scopes.empty() && scopes.back().entity == entity) ? scopes.back().base : entity;
        std::map<std::string, std::string> attributes;
        for (XMLSize_t i = 0; i < attrs.getLength(); ++i)
            attributes[utf8(attrs.getQName(i))] = utf8(attrs.getValue(i));
        const auto xmlBase = attributes.find("xml:base");
        if (xmlBase != attributes.end())
            base = XmlCatalogue::resolve(base, xmlBase->second);
        scopes.push_back({entity, base});

        if (utf8(qname) != "TEST")
            return;
        XmlTest test;
        test.id = attributes["ID"];
        test.type = attributes["TYPE"];
        test.path = XmlCatalogue::resolve(base, attributes["URI"]);
        if (!attributes["OUTPUT"].empty())
            test.output = XmlCatalogue::resolve(base, attributes["OUTPUT"]);
        test.attributes = std::move(attributes);
        tests.push_back(std::move(test));
    }

    void endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const) override { scopes.pop_back(); }

    void error(const xercesc::SAXParseException& e) override { fail(e); }
    void fatalError(const xercesc::SAXParseException& e) override { fail(e); }

    std::vector<XmlTest> tests;

private:
    struct Scope {
        std::string entity;
        std::string base;
    };

    [[noreturn]] static void fail(const xercesc::SAXParseException& e)
    {
        throw std::runtime_error(utf8(e.getSystemId()) + ":" + std::to_string(e.getLineNumber()) + ": " +
                                 utf8(e.getMessage()));
    }

    const xercesc::Locator* locator = nullptr;
    std::vector<Scope> scopes;
};

} // namespace

std::string XmlCatalogue::resolve(const std::string& base, const std::string& ref)
{
    if (ref.empty())
        return base;
    if (ref[0] == '/' || ref.find("://") != std::string::npos)
        return ref;
    const std::size_t slash = base.rfind('/');
    return (slash == std::string::npos ? std::string() : base.substr(0, slash + 1)) + ref;
}

std::vector<XmlTest> XmlCatalogue::read(const std::string& path)
{
    CatalogueHandler handler;
    // The catalogue's entities are declared in its internal subset; the external
    // testcases.dtd adds nothing the runner needs.
    SuiteReader().parse(path, handler, false);
    return std::move(handler.tests);
}
