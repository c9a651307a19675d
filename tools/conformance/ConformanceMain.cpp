// The conformance runner: ZOLSAX2Conformance xml|schema [--secure] [--update] [--suite DIR]
// [--expected FILE] [--show ID]. Exits 77 (skipped) when the suites are not there.
#include "SchemaConformance.h"
#include "XmlConformance.h"

#include <ZOLException.h>

#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

namespace {

constexpr int SKIPPED = 77;

int usage()
{
    std::cerr << "usage: ZOLSAX2Conformance xml|schema [--secure] [--update] [--suite DIR] [--expected FILE] "
                 "[--show ID]\n"
                 "  --secure         parse and validate with secure processing on\n"
                 "  --suite DIR      the directory holding xmlconf/ and xsdtests/\n"
                 "  --expected FILE  the committed list of known differences\n"
                 "  --update         rewrite that list from this run instead of checking against it\n"
                 "  --show ID        run one test and print what it gave\n"
                 "exit status: 0 as expected, 1 changed, 2 usage or failure, 77 suite absent (skipped)\n";
    return 2;
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
    bool secure = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--update")
            update = true;
        else if (arg == "--secure")
            secure = true;
        else if (arg == "--suite" && i + 1 < argc)
            suite = argv[++i];
        else if (arg == "--expected" && i + 1 < argc)
            expected = argv[++i];
        else if (arg == "--show" && i + 1 < argc)
            show = argv[++i];
        else
            return usage();
    }
    if (mode != "xml" && mode != "schema")
        return usage();
    const std::string needed = suite + (mode == "xml" ? "/xmlconf" : "/xsdtests");
    if (!isDirectory(needed)) {
        std::cout << "SKIPPED: no conformance suite at " << needed
                  << " (set the CMake cache variable ZOLSAX2PARSER_CONFORMANCE_DIR to a copy)\n";
        return SKIPPED;
    }
    if (expected.empty())
        expected = std::string(ZOLSAX2_CONFORMANCE_EXPECTATIONS) + (mode == "xml" ? "/xmlconf" : "/xsdtests") +
                   (secure ? "-secure.expected" : ".expected");
    try {
        if (mode == "xml")
            return show.empty() ? XmlConformance::run(suite, expected, update, secure, std::cout)
                                : XmlConformance::show(suite, show, secure, std::cout);
        return show.empty() ? SchemaConformance::run(suite, expected, update, secure, std::cout)
                            : SchemaConformance::show(suite, show, secure, std::cout);
    } catch (const std::exception& e) {
        std::cerr << "ZOLSAX2Conformance: " << e.what() << '\n';
    } catch (const ZOLException& e) {
        std::cerr << "ZOLSAX2Conformance: " << e.getMessage().chars() << '\n';
    }
    return 2;
}
