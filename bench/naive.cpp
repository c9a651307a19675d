// The bridge written the usual quick way, for comparison: the same reader and features and
// the same four callbacks, but XMLString::transcode for every string and new[] arrays.
//   zolbench-naive FILE
//
// transcode converts to the local code page, so the program runs in a UTF-8 locale to give
// the callbacks the same UTF-8 text as the library does.

#include "BenchSupport.h"
#include "XercesFeatures.h"

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLString.hpp>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

using xercesc::XMLString;

class NaiveBridge : public xercesc::DefaultHandler {
public:
    explicit NaiveBridge(void* userData) : userData(userData) {}

    void startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname,
                      const xercesc::Attributes& attrs) override
    {
        char* name = XMLString::transcode(qname);
        const XMLSize_t n = attrs.getLength();
        char** strings = new char*[2 * n];
        const char** entries = new const char*[2 * n + 2];
        for (XMLSize_t i = 0; i < n; ++i) {
            strings[2 * i] = XMLString::transcode(attrs.getQName(i));
            strings[2 * i + 1] = XMLString::transcode(attrs.getValue(i));
            entries[2 * i] = strings[2 * i];
            entries[2 * i + 1] = strings[2 * i + 1];
        }
        entries[2 * n] = nullptr;
        entries[2 * n + 1] = nullptr;
        zolbench::onStartElement(userData, name, entries);
        for (XMLSize_t i = 0; i < 2 * n; ++i)
            XMLString::release(&strings[i]);
        delete[] entries;
        delete[] strings;
        XMLString::release(&name);
    }
    void endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname) override
    {
        char* name = XMLString::transcode(qname);
        zolbench::onEndElement(userData, name);
        XMLString::release(&name);
    }
    void characters(const XMLCh* const chars, const XMLSize_t) override
    {
        char* text = XMLString::transcode(chars);
        zolbench::onCharacters(userData, text, static_cast<int>(std::strlen(text)));
        XMLString::release(&text);
    }
    void processingInstruction(const XMLCh* const target, const XMLCh* const data) override
    {
        char* t = XMLString::transcode(target);
        char* d = XMLString::transcode(data);
        zolbench::onProcessingInstruction(userData, t, d);
        XMLString::release(&d);
        XMLString::release(&t);
    }

private:
    void* userData;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr)
        std::fprintf(stderr, "warning: no C.UTF-8 locale; non-ASCII text will not transcode\n");
    xercesc::XMLPlatformUtils::Initialize();
    zolbench::Counts counts;
    double seconds = 0;
    {
        NaiveBridge bridge(&counts);
        std::unique_ptr<xercesc::SAX2XMLReader> reader(xercesc::XMLReaderFactory::createXMLReader());
        zolbench::configureLikeZOLSAX2Parser(*reader);
        reader->setContentHandler(&bridge);
        reader->setErrorHandler(&bridge);
        XMLCh* path = XMLString::transcode(argv[1]);
        try {
            seconds = zolbench::timeParse([&] {
                xercesc::LocalFileInputSource source(path);
                reader->parse(source);
            });
        } catch (const xercesc::XMLException&) {
            std::fprintf(stderr, "%s: parse failed\n", argv[1]);
            return 1;
        }
        XMLString::release(&path);
    }
    xercesc::XMLPlatformUtils::Terminate();
    zolbench::report("naive", counts, seconds);
    return 0;
}
