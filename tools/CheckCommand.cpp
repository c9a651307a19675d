#include "CheckCommand.h"

#include "Catalogs.h"
#include "CommandLine.h"
#include "DiagnosticLog.h"
#include "Escape.h"
#include "InputFile.h"
#include "InputList.h"
#include "OrderedRunner.h"
#include "ParserSetup.h"
#include "Progress.h"
#include "ReportWriter.h"
#include "SourceNames.h"

#include <ZOLSAX2Parser.h>

#include <memory>
#include <ostream>
#include <vector>

namespace zolsax2 {

namespace {

// What one thread checks with: its own log and parser, made on the calling thread. The
// parser's user data is the worker, for the entities the reader did not expand.
struct Worker {
    Worker(const CommandLine& line, const Catalogs& catalogs) : hook(catalogs, log)
    {
        ParserSetup::apply(parser, log, hook, line, skippedEntity);
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

// What one input gave, written in input order.
struct Report {
    std::vector<DiagnosticLog::Record> records;
    SourceNames names{std::string()};
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
        workers.push_back(std::make_unique<Worker>(line, catalogs));
    std::vector<Report> reports(runner.window());
    Progress progress(err, errIsTerminal, inputs.knownCount());
    ReportWriter writer(out, line.format, line.command);
    std::size_t files = 0;
    std::size_t failed = 0;
    runner.run(
        inputs, progress,
        [&](std::size_t w, std::size_t slot, const std::string& name) {
            Worker& worker = *workers[w];
            Report& report = reports[slot];
            const InputFile input(name);
            report.ok = input.parse(worker.parser, worker.log, in);
            report.records = worker.log.getRecords();
            report.names = input.names();
        },
        [&](std::size_t slot, const std::string&) {
            const Report& report = reports[slot];
            const char* verdict = report.ok ? "ok" : "failed";
            writer.input(report.records, report.names, nullptr, report.ok, verdict,
                         report.ok && line.quiet ? std::string()
                                                 : Escape::text(report.names.inputName()) + ": " + verdict + "\n");
            ++files;
            failed += report.ok ? 0 : 1;
        });
    std::string summary;
    if ((files != 1 || !line.filesFrom.empty()) && (files > 0 || line.allowEmpty))
        summary = plural(files, "file") + ": " + std::to_string(files - failed) + " ok, " + std::to_string(failed) +
                  " failed" + (inputs.problem().empty() ? "\n" : " (incomplete)\n");
    writer.finish(files, failed, inputs.problem().empty(), summary);
    return finish(inputs, files, failed == 0 ? EXIT_OK : EXIT_FAILED);
}

} // namespace zolsax2
