// The floor: a raw Xerces SAX2 reader configured like ZOLSAX2Parser's, whose handler only
// counts. Whatever the library costs above this is the bridge's.
//   zolbench-floor FILE

#include "BenchSupport.h"
#include "XercesFeatures.h"

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLString.hpp>

#include <cstdio>
#include <memory>

namespace {

class CountingHandler : public xercesc::DefaultHandler {
public:
    void startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const,
                      const xercesc::Attributes& attrs) override
    {
        ++counts.events;
        counts.attributes += attrs.getLength();
    }
    void endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const) override { ++counts.events; }
    void characters(const XMLCh* const, const XMLSize_t length) override
    {
        ++counts.events;
        counts.bytes += length;
    }
    void processingInstruction(const XMLCh* const, const XMLCh* const) override { ++counts.events; }

    zolbench::Counts counts;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    xercesc::XMLPlatformUtils::Initialize();
    double seconds = 0;
    CountingHandler handler;
    {
        std::unique_ptr<xercesc::SAX2XMLReader> reader(xercesc::XMLReaderFactory::createXMLReader());
        zolbench::configureLikeZOLSAX2Parser(*reader);
        reader->setContentHandler(&handler);
        reader->setErrorHandler(&handler);
        XMLCh* path = xercesc::XMLString::transcode(argv[1]);
        try {
            seconds = zolbench::timeParse([&] {
                xercesc::LocalFileInputSource source(path);
                reader->parse(source);
            });
        } catch (const xercesc::XMLException&) {
            std::fprintf(stderr, "%s: parse failed\n", argv[1]);
            return 1;
        }
        xercesc::XMLString::release(&path);
    }
    xercesc::XMLPlatformUtils::Terminate();
    zolbench::report("floor", handler.counts, seconds);
    return 0;
}
