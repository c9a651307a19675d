#include "CheckCommand.h"

#include "Catalogs.h"
#include "CommandLine.h"
#include "DiagnosticLog.h"
#include "Escape.h"
#include "InputFile.h"
#include "InputList.h"
#include "OrderedRunner.h"
#include "Progress.h"

#include <ZOLSAX2Parser.h>

#include <memory>
#include <ostream>
#include <vector>

namespace zolsax2 {

namespace {

// What one thread checks with: its own log and parser, made on the calling thread. The
// parser's user data is the worker, for the entities the reader did not expand.
struct Worker {
    Worker(bool secure, const Catalogs& catalogs) : hook(catalogs, log)
    {
        hook.install(parser);
        parser.setSecureProcessing(secure);
        parser.setSkippedEntityCallback(skippedEntity);
    }
    static void skippedEntity(void* worker, const char* name)
    {
        auto* self = static_cast<Worker*>(worker);
        self->log.addSkippedEntity(name, self->parser);
    }
    DiagnosticLog log;
    Catalogs::Hook hook;
    ZOLSAX2Parser parser{this, &log, nullptr, nullptr, nullptr, nullptr};
};

// The buffered output of one input.
struct Report {
    std::string text;
    bool ok = false;
};

} // namespace

int CheckCommand::run()
{
    InputList inputs = openInputs();
    const Catalogs catalogs(line, err);
    const std::size_t jobs = workerCount(inputs);
    OrderedRunner runner(jobs);
    std::vector<std::unique_ptr<Worker>> workers;
    for (std::size_t w = 0; w < jobs; ++w)
        workers.push_back(std::make_unique<Worker>(line.secure, catalogs));
    std::vector<Report> reports(runner.window());
    Progress progress(err, errIsTerminal, inputs.knownCount());
    std::size_t files = 0;
    std::size_t failed = 0;
    runner.run(
        inputs, progress,
        [&](std::size_t w, std::size_t slot, const std::string& name) {
            Worker& worker = *workers[w];
            Report& report = reports[slot];
            const InputFile input(name);
            report.ok = input.parse(worker.parser, worker.log, in);
            report.text.clear();
            worker.log.print(report.text, input.names());
            if (!report.ok || !line.quiet)
                report.text += Escape::text(input.names().inputName()) + (report.ok ? ": ok\n" : ": failed\n");
        },
        [&](std::size_t slot, const std::string&) {
            out << reports[slot].text;
            ++files;
            failed += reports[slot].ok ? 0 : 1;
        });
    if (files != 1 || !line.filesFrom.empty())
        out << plural(files, "file") << ": " << files - failed << " ok, " << failed << " failed\n";
    return failed == 0 ? EXIT_OK : EXIT_FAILED;
}

} // namespace zolsax2
