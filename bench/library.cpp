// ZOLSAX2Parser with all four callbacks set, or with none.
//   zolbench-library FILE [all|none]

#include "BenchSupport.h"

#include <ZOLException.h>
#include <ZOLFile.h>
#include <ZOLMemoryLog.h>
#include <ZOLSAX2Parser.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    const bool all = argc == 2 || (argc == 3 && std::strcmp(argv[2], "all") == 0);
    if (argc < 2 || argc > 3 || (argc == 3 && !all && std::strcmp(argv[2], "none") != 0)) {
        std::fprintf(stderr, "usage: %s FILE [all|none]\n", argv[0]);
        return 2;
    }
    zolbench::Counts counts;
    ZOLMemoryLog log;
    double seconds = 0;
    {
        ZOLSAX2Parser parser(&counts, &log, all ? zolbench::onStartElement : nullptr,
                             all ? zolbench::onEndElement : nullptr, all ? zolbench::onCharacters : nullptr,
                             all ? zolbench::onProcessingInstruction : nullptr);
        const ZOLFile file{ZOLString(argv[1])};
        try {
            seconds = zolbench::timeParse([&] { parser.parseFile(file); });
        } catch (const ZOLException&) {
            std::fprintf(stderr, "%s: parse failed\n", argv[1]);
            return 1;
        }
    }
    zolbench::report(all ? "library" : "library-none", counts, seconds);
    return 0;
}
