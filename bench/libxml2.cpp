// libxml2's SAX2 interface, for comparison: a different parser in C with UTF-8 output.
// Its SAX2 callbacks always resolve namespaces; texts and attribute values arrive as
// (start, end) pointers into its buffer rather than as NUL-terminated copies.
//   zolbench-libxml2 FILE

#include "BenchSupport.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

void startElementNs(void* userData, const xmlChar*, const xmlChar*, const xmlChar*, int, const xmlChar**,
                    int attributeCount, int, const xmlChar**)
{
    auto* counts = static_cast<zolbench::Counts*>(userData);
    ++counts->events;
    counts->attributes += static_cast<unsigned long long>(attributeCount);
}

void endElementNs(void* userData, const xmlChar*, const xmlChar*, const xmlChar*)
{
    ++static_cast<zolbench::Counts*>(userData)->events;
}

void characters(void* userData, const xmlChar*, int length)
{
    auto* counts = static_cast<zolbench::Counts*>(userData);
    ++counts->events;
    counts->bytes += static_cast<unsigned long long>(length);
}

void processingInstruction(void* userData, const xmlChar*, const xmlChar*)
{
    ++static_cast<zolbench::Counts*>(userData)->events;
}

constexpr int CHUNK = 64 * 1024;

bool parseFile(xmlSAXHandler* sax, zolbench::Counts* counts, const char* path, int fd)
{
    static char buffer[CHUNK];
    xmlParserCtxtPtr context = xmlCreatePushParserCtxt(sax, counts, nullptr, 0, path);
    if (context == nullptr)
        return false;
    xmlCtxtUseOptions(context, XML_PARSE_NONET);
    bool ok = true;
    for (;;) {
        const ssize_t got = read(fd, buffer, CHUNK);
        if (got < 0 || xmlParseChunk(context, buffer, static_cast<int>(got > 0 ? got : 0), got <= 0) != 0) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
    }
    ok = ok && context->wellFormed;
    xmlFreeParserCtxt(context);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const int fd = open(argv[1], O_RDONLY);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    LIBXML_TEST_VERSION
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = startElementNs;
    sax.endElementNs = endElementNs;
    sax.characters = characters;
    sax.processingInstruction = processingInstruction;
    zolbench::Counts counts;
    bool ok = false;
    const double seconds = zolbench::timeParse([&] { ok = parseFile(&sax, &counts, argv[1], fd); });
    close(fd);
    xmlCleanupParser();
    if (!ok) {
        std::fprintf(stderr, "%s: parse failed\n", argv[1]);
        return 1;
    }
    zolbench::report("libxml2", counts, seconds);
    return 0;
}
