// How long a parse stopped at the document element takes, however large the document, and
// that the same parser then parses a whole document.
//   zolbench-stop FILE [ROUNDS]
// FILE is made (about 100 MB of records) when it does not exist. Prints one line per round
// and the median; the figure to watch is the stopped parse, in milliseconds.

#include <ZOLException.h>
#include <ZOLFile.h>
#include <ZOLMemoryLog.h>
#include <ZOLSAX2Parser.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Seen {
    ZOLSAX2Parser* parser = nullptr;
    bool stop = true;
    unsigned long elements = 0;
};

void onStart(void* userData, const char*, const char**)
{
    auto* seen = static_cast<Seen*>(userData);
    ++seen->elements;
    if (seen->stop)
        seen->parser->stopParse();
}

// About 100 MB: a document element holding records of a few elements and some text each.
bool makeDocument(const char* path)
{
    std::ofstream out(path, std::ios::binary);
    out << "<?xml version='1.0' encoding='UTF-8'?>\n<log source='bench'>\n";
    const std::string record = "  <entry id='n' level='info'><when>2026-12-06T08:00:00Z</when>"
                               "<text>Something happened &amp; was recorded, nothing more to say.</text></entry>\n";
    for (std::size_t written = 0; written < 100u * 1000 * 1000; written += record.size())
        out << record;
    out << "</log>\n";
    return static_cast<bool>(out);
}

double millisecondsOf(ZOLSAX2Parser& parser, const ZOLFile& file)
{
    const auto start = std::chrono::steady_clock::now();
    parser.parseFile(file);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s FILE [ROUNDS]\n", argv[0]);
        return 2;
    }
    const int rounds = argc == 3 ? std::max(1, std::atoi(argv[2])) : 5;
    if (!std::ifstream(argv[1]) && !makeDocument(argv[1])) {
        std::fprintf(stderr, "%s: cannot write\n", argv[1]);
        return 1;
    }
    Seen seen;
    ZOLMemoryLog log;
    ZOLSAX2Parser parser(&seen, &log, onStart, nullptr, nullptr, nullptr);
    seen.parser = &parser;
    const ZOLFile file{ZOLString(argv[1])};
    std::vector<double> stopped;
    try {
        for (int round = 0; round < rounds; ++round) {
            seen.stop = true;
            seen.elements = 0;
            const double ms = millisecondsOf(parser, file);
            stopped.push_back(ms);
            const unsigned long beforeStop = seen.elements;
            // The next parse on the same parser reads a whole document.
            seen.stop = false;
            seen.elements = 0;
            parser.parseString(ZOLString("<a><b/><c><d/></c></a>"));
            std::printf("round=%d stopped_ms=%.3f elements_before_stop=%lu next_parse_elements=%lu\n", round + 1, ms,
                        beforeStop, seen.elements);
            if (beforeStop != 1 || seen.elements != 4)
                return 1;
        }
    } catch (const ZOLException& e) {
        std::fprintf(stderr, "%s\n", e.getMessage().chars());
        return 1;
    }
    std::sort(stopped.begin(), stopped.end());
    std::printf("median_stopped_ms=%.3f of %d rounds (target: under 10)\n", stopped[stopped.size() / 2], rounds);
    return 0;
}
