#include "ParserSetup.h"

#include "CommandLine.h"
#include "DiagnosticLog.h"
#include "ReaderLimits.h"

namespace zolsax2 {

void ParserSetup::apply(ZOLSAX2Parser& parser, DiagnosticLog& log, Catalogs::Hook& hook, const CommandLine& line,
                        SkippedEntityCallback skipped)
{
    hook.install(parser);
    ReaderLimits::apply(parser, line);
    parser.setNamespaceChecking(line.namespaces);
    parser.setLoadExternalDtd(line.loadDtd);
    log.setExternalDtdRead(line.loadDtd);
    parser.setEncodingErrorLocation(true);
    parser.setSkippedEntityCallback(skipped);
}

} // namespace zolsax2
