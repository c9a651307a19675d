// The conformance runner: ZOLSAX2Conformance xml|schema|skipped [--secure] [--update]
// [--caching [--provisional]] [--memory] [--catalog FILE] [--suite DIR] [--expected FILE]
// [--show ID] [--skipped-entities] [--files LIST]. Exits 77 (skipped) when the suites are not there.
#include "SchemaConformance.h"
#include "SkippedEntityEquivalence.h"
#include "XmlConformance.h"

#include <ZOLException.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

constexpr int SKIPPED = 77;

int usage()
{
    std::cerr << "usage: ZOLSAX2Conformance xml|schema|skipped [--secure] [--update] [--caching [--provisional]]\n"
                 "                   [--memory] [--catalog FILE]\n"
                 "                   [--suite DIR] [--expected FILE] [--show ID] [--skipped-entities] [--files LIST]\n"
                 "  xml, schema      run that suite against its list of known differences\n"
                 "  skipped          parse every XML suite document without and with a skipped-entity\n"
                 "                   callback and compare everything the parser gives\n"
                 "  --caching        schema: tests sharing a schema share one validator with schema caching on\n"
                 "  --provisional    with --caching: a schema that loads cleanly serves its tests through a\n"
                 "                   validator without full constraint checking\n"
                 "  --memory         schema: validate each instance from its file, from memory and as a\n"
                 "                   stream, and compare answers and records\n"
                 "  --secure         parse and validate with secure processing on\n"
                 "  --catalog FILE   schema: every validator resolves through the catalog FILE\n"
                 "  --suite DIR      the directory holding xmlconf/ and xsdtests/\n"
                 "  --expected FILE  the committed list of known differences\n"
                 "  --update         rewrite that list from this run instead of checking against it\n"
                 "  --show ID        run one test and print what it gave\n"
                 "  --skipped-entities  xml: run with a skipped-entity callback set\n"
                 "  --files LIST     skipped: the documents named in LIST, one path a line ('-': standard\n"
                 "                   input), instead of the suite's\n"
                 "exit status: 0 as expected, 1 changed, 2 usage or failure, 77 suite absent (skipped)\n";
    return 2;
}

// The skipped-entity comparison over the documents listed in the file at list.
int compareListed(const std::string& list)
{
    std::ifstream named(list);
    std::istream& in = list == "-" ? std::cin : named;
    if (!in) {
        std::cerr << "ZOLSAX2Conformance: cannot read " << list << '\n';
        return 2;
    }
    std::vector<std::pair<std::string, std::string>> documents;
    for (std::string path; std::getline(in, path);)
        if (!path.empty())
            documents.emplace_back(path, path);
    return SkippedEntityEquivalence::compare(documents, std::cout);
}

bool isDirectory(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string mode = argv[1];
    std::string suite = ZOLSAX2_CONFORMANCE_DIR;
    std::string expected;
    std::string show;
    bool update = false;
    bool skippedEntities = false;
    std::string files;
    bool caching = false;
    bool provisional = false;
    bool fromMemory = false;
    bool secure = false;
    std::string catalog;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--update")
            update = true;
        else if (arg == "--caching")
            caching = true;
        else if (arg == "--provisional")
            provisional = true;
        else if (arg == "--memory")
            fromMemory = true;
        else if (arg == "--secure")
            secure = true;
        else if (arg == "--suite" && i + 1 < argc)
            suite = argv[++i];
        else if (arg == "--expected" && i + 1 < argc)
            expected = argv[++i];
        else if (arg == "--show" && i + 1 < argc)
            show = argv[++i];
        else if (arg == "--skipped-entities")
            skippedEntities = true;
        else if (arg == "--files" && i + 1 < argc)
            files = argv[++i];
        else if (arg == "--catalog" && i + 1 < argc)
            catalog = argv[++i];
        else
            return usage();
    }
    if ((mode != "xml" && mode != "schema" && mode != "skipped") || (caching && mode != "schema") ||
        (provisional && !caching) || (fromMemory && (mode != "schema" || caching)))
        return usage();
    if ((!files.empty() && mode != "skipped") || (!catalog.empty() && mode != "schema"))
        return usage();
    const std::string needed = suite + (mode == "schema" ? "/xsdtests" : "/xmlconf");
    if (files.empty() && !isDirectory(needed)) {
        std::cout << "SKIPPED: no conformance suite at " << needed
                  << " (set the CMake cache variable ZOLSAX2PARSER_CONFORMANCE_DIR to a copy)\n";
        return SKIPPED;
    }
    if (expected.empty())
        expected = std::string(ZOLSAX2_CONFORMANCE_EXPECTATIONS) + (mode == "xml" ? "/xmlconf" : "/xsdtests") +
                   (secure ? "-secure.expected" : ".expected");
    try {
        if (mode == "skipped")
            return files.empty() ? SkippedEntityEquivalence::run(suite, std::cout) : compareListed(files);
        if (mode == "xml")
            return show.empty() ? XmlConformance::run(suite, expected, update, secure, skippedEntities, std::cout)
                                : XmlConformance::show(suite, show, secure, skippedEntities, std::cout);
        const ZOLSAX2Catalog catalogFiles(ZOLString(catalog.c_str()), nullptr);
        if (!catalog.empty())
            SchemaConformance::setCatalog(&catalogFiles);
        return show.empty() ? SchemaConformance::run(suite, expected, update, caching, provisional, secure, std::cout,
                                                     fromMemory)
                            : SchemaConformance::show(suite, show, secure, std::cout);
    } catch (const std::exception& e) {
        std::cerr << "ZOLSAX2Conformance: " << e.what() << '\n';
    } catch (const ZOLException& e) {
        std::cerr << "ZOLSAX2Conformance: " << e.getMessage().chars() << '\n';
    }
    return 2;
}
