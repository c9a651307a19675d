// One validator over many documents that each bring 20 new element names and namespaces:
//   zolbench-long-lived DIR [DOCUMENTS] [cached|uncached]
// Writes the schema and the documents into DIR, validates them all with one validator and
// prints the resident memory after the first thousand and at the end, and the time of each
// thousand. A reader that kept every name it met would grow and slow down.

#include <ZOLFile.h>
#include <ZOLMemoryLog.h>
#include <ZOLSAX2Validator.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

long residentKib()
{
    long pages = 0;
    long resident = 0;
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (f == nullptr)
        return 0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
        resident = 0;
    std::fclose(f);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

std::string document(int i)
{
    // Twenty elements and namespaces that no earlier document used, in a lax wildcard.
    std::string text = "<r>";
    for (int e = 0; e < 20; ++e) {
        const std::string n = std::to_string(i) + "-" + std::to_string(e);
        text += "<p:e" + n + " xmlns:p='urn:n" + n + "' a" + n + "='1'/>";
    }
    return text + "</r>\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: %s DIR [DOCUMENTS] [cached|uncached]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const int documents = argc > 2 ? std::atoi(argv[2]) : 3000;
    const bool cached = argc > 3 && std::strcmp(argv[3], "cached") == 0;
    std::ofstream(dir + "/any.xsd") << "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>"
                                       "<xs:element name='r'><xs:complexType><xs:sequence>"
                                       "<xs:any processContents='lax' minOccurs='0' maxOccurs='unbounded'/>"
                                       "</xs:sequence><xs:anyAttribute processContents='lax'/>"
                                       "</xs:complexType></xs:element></xs:schema>\n";
    std::vector<std::string> paths;
    for (int i = 0; i < documents; ++i) {
        paths.push_back(dir + "/d" + std::to_string(i) + ".xml");
        std::ofstream(paths.back()) << document(i);
    }
    ZOLMemoryLog log;
    ZOLSAX2Validator validator(&log);
    validator.setSchemaCaching(cached);
    validator.addNoNamespaceSchemaLocation((dir + "/any.xsd").c_str());
    int valid = 0;
    long afterFirst = 0;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < documents; ++i) {
        valid += validator.validate(ZOLFile(paths[static_cast<std::size_t>(i)].c_str())) ? 1 : 0;
        if ((i + 1) % 1000 == 0 || i + 1 == documents) {
            const auto now = std::chrono::steady_clock::now();
            std::printf("documents %5d-%5d: %.3f s\n", (i / 1000) * 1000 + 1, i + 1,
                        std::chrono::duration<double>(now - start).count());
            start = now;
            if (afterFirst == 0)
                afterFirst = residentKib();
        }
    }
    const long atEnd = residentKib();
    std::printf("%s: %d of %d valid, %zu records; resident %ld KiB after the first thousand, %ld KiB at the end "
                "(%+ld KiB)\n",
                cached ? "cached" : "uncached", valid, documents, log.size(), afterFirst, atEnd, atEnd - afterFirst);
    return valid == documents ? 0 : 1;
}
