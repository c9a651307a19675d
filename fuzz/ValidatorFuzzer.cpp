// libFuzzer target: the validator, in secure mode, against one fixed schema. Each input
// is written to a file first, as validate() reads files only.

#include <ZOLLog.h>
#include <ZOLSAX2Validator.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

class NullLog : public ZOLLog {
public:
    void logEvent(const ZOLLogEvent&) override {}
};

const char SCHEMA[] =
    "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:fuzz' xmlns:f='urn:fuzz'"
    " elementFormDefault='qualified'>"
    "<xs:simpleType name='code'><xs:restriction base='xs:string'><xs:pattern value='[A-Z]{2}[0-9]+'/>"
    "</xs:restriction></xs:simpleType>"
    "<xs:complexType name='item'><xs:sequence><xs:element name='name' type='xs:string'/>"
    "<xs:element name='qty' type='xs:positiveInteger' minOccurs='0'/>"
    "<xs:element name='price' type='xs:decimal' minOccurs='0' maxOccurs='3'/></xs:sequence>"
    "<xs:attribute name='code' type='f:code' use='required'/><xs:attribute name='date' type='xs:date'/>"
    "</xs:complexType>"
    "<xs:element name='order'><xs:complexType><xs:choice maxOccurs='unbounded'>"
    "<xs:element name='item' type='f:item'/><xs:element name='note' type='xs:string'/>"
    "<xs:any namespace='##other' processContents='lax'/></xs:choice>"
    "<xs:attribute name='id' type='xs:ID'/></xs:complexType></xs:element>"
    "</xs:schema>";

std::string scratch;

void removeScratch()
{
    std::remove((scratch + "/doc.xml").c_str());
    std::remove((scratch + "/order.xsd").c_str());
    rmdir(scratch.c_str());
}

bool writeFile(const std::string& path, const void* data, std::size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static NullLog log;
    static ZOLSAX2Validator* validator = [] {
        char pattern[] = "/tmp/zolsax2-fuzz-XXXXXX";
        scratch = mkdtemp(pattern);
        std::atexit(removeScratch);
        writeFile(scratch + "/order.xsd", SCHEMA, sizeof SCHEMA - 1);
        auto* v = new ZOLSAX2Validator(&log);
        v->setSecureProcessing(true);
        v->addSchemaLocation("urn:fuzz", (scratch + "/order.xsd").c_str());
        return v;
    }();
    const std::string path = scratch + "/doc.xml";
    if (writeFile(path, data, size))
        validator->validate(ZOLFile(path.c_str()));
    return 0;
}
