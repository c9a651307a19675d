// expat, for comparison: a different, non-validating parser in C with UTF-8 output.
//   zolbench-expat FILE

#include "BenchSupport.h"

#include <expat.h>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int CHUNK = 64 * 1024;

bool parseFile(XML_Parser parser, int fd)
{
    for (;;) {
        void* buffer = XML_GetBuffer(parser, CHUNK);
        if (buffer == nullptr)
            return false;
        const ssize_t got = read(fd, buffer, CHUNK);
        if (got < 0)
            return false;
        if (XML_ParseBuffer(parser, static_cast<int>(got), got == 0) != XML_STATUS_OK)
            return false;
        if (got == 0)
            return true;
    }
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
    zolbench::Counts counts;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &counts);
    XML_SetElementHandler(parser, zolbench::onStartElement, zolbench::onEndElement);
    XML_SetCharacterDataHandler(parser, zolbench::onCharacters);
    XML_SetProcessingInstructionHandler(parser, zolbench::onProcessingInstruction);
    bool ok = false;
    const double seconds = zolbench::timeParse([&] { ok = parseFile(parser, fd); });
    if (!ok) {
        std::fprintf(stderr, "%s: %s at line %lu\n", argv[1], XML_ErrorString(XML_GetErrorCode(parser)),
                     static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)));
        return 1;
    }
    XML_ParserFree(parser);
    close(fd);
    zolbench::report("expat", counts, seconds);
    return 0;
}
