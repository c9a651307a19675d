// One document through one entry point of the library, for bench/limits.sh:
//   zolbench-limits parse-string|parse-file|validate|validate-cached FILE [SCHEMA] [secure|protect|none]
// Prints "accepted" or "refused" and the first record; the script measures the process.

#include <ZOLException.h>
#include <ZOLFile.h>
#include <ZOLMemoryLog.h>
#include <ZOLSAX2Parser.h>
#include <ZOLSAX2Validator.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

// Counts what the callbacks receive, so the text is really delivered.
unsigned long long characters = 0;

void onCharacters(void*, const char*, int length)
{
    characters += static_cast<unsigned long long>(length);
}

void onStartElement(void*, const char*, const char** attributes)
{
    for (const char** a = attributes; a != nullptr && *a != nullptr; a += 2)
        characters += std::strlen(a[1]);
}

template <typename Reader>
void configure(Reader& reader, const std::string& mode)
{
    reader.setSecureProcessing(mode == "secure");
    reader.setAmplificationProtection(mode == "protect");
}

bool parse(const std::string& entry, const char* path, const std::string& mode, ZOLMemoryLog& log)
{
    ZOLSAX2Parser parser(nullptr, &log, onStartElement, nullptr, onCharacters, nullptr);
    configure(parser, mode);
    try {
        if (entry == "parse-string") {
            std::ifstream in(path, std::ios::binary);
            const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            parser.parseString(ZOLString(text.c_str()));
        } else {
            parser.parseFile(ZOLFile(ZOLString(path)));
        }
    } catch (const ZOLException&) {
        return false;
    }
    return true;
}

bool validate(bool cached, const char* path, const char* schema, const std::string& mode, ZOLMemoryLog& log)
{
    ZOLSAX2Validator validator(&log);
    configure(validator, mode);
    validator.setSchemaCaching(cached);
    validator.addNoNamespaceSchemaLocation(schema);
    return validator.validate(ZOLFile(ZOLString(path)));
}

} // namespace

int main(int argc, char** argv)
{
    const std::string entry = argc > 2 ? argv[1] : "";
    const bool validating = entry == "validate" || entry == "validate-cached";
    const int modeAt = validating ? 4 : 3;
    if ((entry != "parse-string" && entry != "parse-file" && !validating) || argc < modeAt || argc > modeAt + 1) {
        std::fprintf(stderr,
                     "usage: %s parse-string|parse-file|validate|validate-cached FILE [SCHEMA] "
                     "[secure|protect|none]\n",
                     argv[0]);
        return 2;
    }
    const std::string mode = argc > modeAt ? argv[modeAt] : "secure";
    ZOLMemoryLog log;
    const bool ok = validating ? validate(entry == "validate-cached", argv[2], argv[3], mode, log)
                               : parse(entry, argv[2], mode, log);
    const char* first = log.size() > 0 ? log.getEvents().front().getText().chars() : "no record";
    std::printf("%s, %llu characters delivered; %s\n", ok ? "accepted" : "refused", characters, first);
    return ok ? 0 : 1;
}
