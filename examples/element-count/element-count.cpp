// Counts the elements of an XML document by name: the four callbacks of ZOLSAX2Parser in
// one small program, built against the installed package.
#include <ZOLSAX2Parser.h>
#include <ZOLStd.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <string>

namespace {

struct Tally {
    std::map<std::string, int> elements;
    int depth = 0;
    int maxDepth = 0;
    long textBytes = 0;
    int instructions = 0;
};

void onStart(void* userData, const char* name, const char** /*attributes*/)
{
    auto* tally = static_cast<Tally*>(userData);
    ++tally->elements[name];
    tally->maxDepth = std::max(tally->maxDepth, ++tally->depth);
}

void onEnd(void* userData, const char* /*name*/)
{
    --static_cast<Tally*>(userData)->depth;
}

// Text may arrive in several pieces; length counts UTF-8 bytes.
void onText(void* userData, const char* /*text*/, int length)
{
    static_cast<Tally*>(userData)->textBytes += length;
}

void onPI(void* userData, const char* /*target*/, const char* /*data*/)
{
    ++static_cast<Tally*>(userData)->instructions;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: element-count FILE\n";
        return 2;
    }
    Tally tally;
    ZOLStreamLog log(std::cerr); // each problem the reader finds, one line on standard error
    ZOLSAX2Parser parser(&tally, &log, onStart, onEnd, onText, onPI);
    try {
        parser.parseFile(ZOLFile(argv[1]));
    } catch (const ZOLException& e) {
        std::cerr << e.getMessage().chars() << '\n';
        return 1;
    }
    for (const auto& [name, count] : tally.elements)
        std::cout << count << '\t' << name << '\n';
    std::cout << "depth " << tally.maxDepth << ", " << tally.textBytes << " bytes of text, " << tally.instructions
              << " processing instruction(s)\n";
    return 0;
}
