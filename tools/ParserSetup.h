#ifndef ZOLSAX2_TOOLS_PARSERSETUP_H
#define ZOLSAX2_TOOLS_PARSERSETUP_H

#include "Catalogs.h"

#include <ZOLSAX2Parser.h>

namespace zolsax2 {

class DiagnosticLog;
struct CommandLine;

// What check, count and events set on each parser they make: the catalogs, the limits, the
// namespace check and the external DTD as line asks, bad bytes located, and the entities the
// reader did not expand reported to skipped (whose user data is the parser's).
class ParserSetup {
public:
    static void apply(ZOLSAX2Parser& parser, DiagnosticLog& log, Catalogs::Hook& hook, const CommandLine& line,
                      SkippedEntityCallback skipped);
};

} // namespace zolsax2

#endif
