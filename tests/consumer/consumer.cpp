// Built against the installed package only: proves the headers and targets are enough.
#include <ZOLSAX2Parser.h>
#include <ZOLSAX2PlatformScope.h>
#include <ZOLSAX2SchemaSet.h>
#include <ZOLSAX2Validator.h>
#include <ZOLStd.h>
#include <ZSAX.h>

#include <cstdio>

static void onStart(void* userData, const char*, const char**)
{
    ++*static_cast<int*>(userData);
}

int main()
{
    // A host that uses Xerces itself takes part in the library's initialisation.
    const ZOLSAX2PlatformScope xerces;
    ZOLMemoryLog log;
    int elements = 0;
    ZOLSAX2Parser parser(&elements, &log, onStart, nullptr, nullptr, nullptr);
    parser.parseString("<a><b/><c x='1'/></a>");
    ZOLSAX2Validator validator(&log);
    // A set with nothing to load shares nothing; the validator keeps working without it.
    ZOLSAX2SchemaSet set;
    validator.setSchemaSet(set.load() ? &set : nullptr);
    try {
        parser.parseString("<a>");
        return 1;
    } catch (const ZOLException& e) {
        std::printf("%d elements; %s\n", elements, e.getMessage().chars());
    }
    return elements == 4 && ZSAX::findTextLiteral("5") == &ZSAX::XML_PARSE_FAILED ? 0 : 1;
}
