#include "SchemaCatalogue.h"

#include "SuiteReader.h"
#include "XmlCatalogue.h"

#include <ZOLString.h>

#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>

#include <stdexcept>
#include <sys/stat.h>

namespace {

std::string utf8(const XMLCh* text)
{
    return ZOLString(text).chars();
}

bool exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// Whitespace-separated version tokens name a Unicode version or an XSD version.
bool hasToken(const std::string& tokens, const std::string& prefix)
{
    std::size_t start = tokens.find_first_not_of(' ');
    while (start != std::string::npos) {
        const std::size_t end = tokens.find(' ', start);
        if (tokens.compare(start, prefix.size(), prefix) == 0)
            return true;
        start = end == std::string::npos ? end : tokens.find_first_not_of(' ', end);
    }
    return false;
}

// The skip reason for version tokens, or empty when XSD 1.0 applies.
std::string versionSkip(const std::string& version)
{
    if (hasToken(version, "Unicode"))
        return "expected outcome depends on the Unicode version";
    if (hasToken(version, "1.1") && !hasToken(version, "1.0"))
        return "XSD 1.1 only";
    return std::string();
}

class SuiteHandler : public xercesc::DefaultHandler {
public:
    explicit SuiteHandler(std::string base) : base(std::move(base)) {}

    void startElement(const XMLCh* const, const XMLCh* const localname, const XMLCh* const,
                      const xercesc::Attributes& attrs) override
    {
        const std::string name = utf8(localname);
        const auto attribute = [&attrs](const char* attributeName) {
            const XMLCh* value = attrs.getValue(ZOLString(attributeName).wchars());
            return value == nullptr ? std::string() : utf8(value);
        };
        const auto href = [&attrs, this]() {
            const XMLCh* value =
                attrs.getValue(ZOLString("http://www.w3.org/1999/xlink").wchars(), ZOLString("href").wchars());
            return XmlCatalogue::resolve(base, value == nullptr ? std::string() : utf8(value));
        };
        if (name == "testSetRef") {
            setRefs.push_back(href());
        } else if (name == "testSet") {
            setName = attribute("name");
        } else if (name == "testGroup") {
            groupName = attribute("name");
            groupVersion = attribute("version");
            schemas.clear();
        } else if (name == "schemaDocument" && !inInstanceTest) {
            schemas.push_back(href());
        } else if (name == "instanceTest") {
            inInstanceTest = true;
            current = SchemaTest();
            current.id = setName + "/" + groupName + "/" + attribute("name");
            current.schemas = schemas;
            current.skipReason = versionSkip(groupVersion + " " + attribute("version"));
            expectations.clear();
        } else if (name == "instanceDocument" && inInstanceTest) {
            current.instance = href();
        } else if (name == "expected" && inInstanceTest) {
            expectations.push_back({attribute("validity"), attribute("version")});
        }
    }

    void endElement(const XMLCh* const, const XMLCh* const localname, const XMLCh* const) override
    {
        if (utf8(localname) != "instanceTest")
            return;
        inInstanceTest = false;
        // XSD 1.0's answer: an unversioned one, or one for 1.0.
        std::string skip;
        for (const auto& [validity, version] : expectations) {
            const std::string reason = versionSkip(version);
            if (reason.empty() && current.expected.empty())
                current.expected = validity;
            else if (!reason.empty() && skip.empty())
                skip = reason;
        }
        if (current.expected.empty() || hasToken(skip, "Unicode"))
            current.skipReason = skip.empty() ? "no expected outcome" : skip;
        if (current.skipReason.empty() && current.expected == "indeterminate")
            current.skipReason = "expected outcome indeterminate";
        tests.push_back(current);
    }

    void error(const xercesc::SAXParseException& e) override { fail(e); }
    void fatalError(const xercesc::SAXParseException& e) override { fail(e); }

    std::vector<std::string> setRefs;
    std::vector<SchemaTest> tests;

private:
    [[noreturn]] static void fail(const xercesc::SAXParseException& e)
    {
        throw std::runtime_error(utf8(e.getSystemId()) + ":" + std::to_string(e.getLineNumber()) + ": " +
                                 utf8(e.getMessage()));
    }

    std::string base;
    std::string setName, groupName, groupVersion;
    std::vector<std::string> schemas;
    bool inInstanceTest = false;
    SchemaTest current;
    std::vector<std::pair<std::string, std::string>> expectations;
};

} // namespace

std::vector<SchemaTest> SchemaCatalogue::read(const std::string& suiteDir)
{
    const SuiteReader reader;
    const std::string suite = suiteDir + "/suite.xml";
    SuiteHandler suiteHandler(suite);
    reader.parse(suite, suiteHandler, true);
    std::vector<SchemaTest> tests;
    // suite.xml also lists test sets that this copy leaves out.
    for (const std::string& setPath : suiteHandler.setRefs) {
        if (!exists(setPath))
            continue;
        SuiteHandler handler(setPath);
        reader.parse(setPath, handler, true);
        const std::size_t end = setPath.rfind('/');
        const std::size_t start = setPath.rfind('/', end - 1) + 1;
        for (SchemaTest& test : handler.tests) {
            test.collection = setPath.substr(start, end - start);
            tests.push_back(std::move(test));
        }
    }
    return tests;
}
