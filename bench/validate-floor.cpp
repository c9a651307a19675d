// The floor of cached validation: zolbench-validate-floor NAMESPACE SCHEMA FILE...
//
// A raw Xerces-C++ SAX2 reader with ZOLSAX2Validator's nine features and the same external
// schema location, the schema loaded once into the reader's grammar pool (loadGrammar with
// caching, then fgXercesUseCachedGrammarInParse), each file parsed by its system identifier.
// Prints every problem as "FILE:LINE:COLUMN: MESSAGE" and then "FILE validates" or "FILE fails
// to validate", like the other contenders, so that verdicts can be compared.

#include "XercesFeatures.h"

#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XMLUni.hpp>
#include <xercesc/validators/common/Grammar.hpp>

#include <cstdio>
#include <memory>
#include <string>

namespace {

std::string utf8(const XMLCh* text)
{
    if (text == nullptr)
        return std::string();
    xercesc::TranscodeToStr bytes(text, "UTF-8");
    return reinterpret_cast<const char*>(bytes.str());
}

std::unique_ptr<XMLCh[]> utf16(const char* text)
{
    xercesc::TranscodeFromStr chars(reinterpret_cast<const XMLByte*>(text), std::char_traits<char>::length(text),
                                    "UTF-8");
    std::unique_ptr<XMLCh[]> out(new XMLCh[chars.length() + 1]);
    std::char_traits<XMLCh>::copy(out.get(), chars.str(), chars.length() + 1);
    return out;
}

class Problems : public xercesc::DefaultHandler {
public:
    void warning(const xercesc::SAXParseException& e) override { print(e); }
    void error(const xercesc::SAXParseException& e) override
    {
        print(e);
        failed = true;
    }
    void fatalError(const xercesc::SAXParseException& e) override
    {
        print(e);
        failed = true;
    }
    void resetErrors() override { failed = false; }

    const char* file = "";
    bool failed = false;

private:
    void print(const xercesc::SAXParseException& e)
    {
        std::printf("%s:%lu:%lu: %s\n", file, static_cast<unsigned long>(e.getLineNumber()),
                    static_cast<unsigned long>(e.getColumnNumber()), utf8(e.getMessage()).c_str());
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: zolbench-validate-floor NAMESPACE SCHEMA FILE...\n");
        return 2;
    }
    xercesc::XMLPlatformUtils::Initialize();
    int failures = 0;
    {
        std::unique_ptr<xercesc::SAX2XMLReader> reader(
            xercesc::XMLReaderFactory::createXMLReader(xercesc::XMLPlatformUtils::fgMemoryManager, nullptr));
        zolbench::configureLikeZOLSAX2Validator(*reader);
        Problems problems;
        reader->setErrorHandler(&problems);
        const std::string pair = std::string(argv[1]) + " " + argv[2];
        const std::unique_ptr<XMLCh[]> location = utf16(pair.c_str());
        reader->setProperty(xercesc::XMLUni::fgXercesSchemaExternalSchemaLocation, location.get());

        problems.file = argv[2];
        if (reader->loadGrammar(argv[2], xercesc::Grammar::SchemaGrammarType, true) == nullptr) {
            std::fprintf(stderr, "zolbench-validate-floor: %s not loaded\n", argv[2]);
            return 1;
        }
        reader->setFeature(xercesc::XMLUni::fgXercesUseCachedGrammarInParse, true);

        for (int i = 3; i < argc; ++i) {
            problems.file = argv[i];
            problems.failed = false;
            try {
                reader->parse(utf16(argv[i]).get());
            } catch (const xercesc::XMLException& e) {
                std::printf("%s: %s\n", argv[i], utf8(e.getMessage()).c_str());
                problems.failed = true;
            } catch (const xercesc::OutOfMemoryException&) {
                std::printf("%s: out of memory\n", argv[i]);
                problems.failed = true;
            }
            std::printf("%s %s\n", argv[i], problems.failed ? "fails to validate" : "validates");
            failures += problems.failed ? 1 : 0;
        }
    }
    xercesc::XMLPlatformUtils::Terminate();
    return failures == 0 ? 0 : 1;
}
