#include "CountCommand.h"

#include "Catalogs.h"
#include "CommandLine.h"
#include "DiagnosticLog.h"
#include "Escape.h"
#include "EventCounter.h"
#include "InputFile.h"
#include "InputList.h"
#include "OrderedRunner.h"
#include "ParserSetup.h"
#include "Progress.h"
#include "ReportWriter.h"
#include "SourceNames.h"

#include <ZOLSAX2Parser.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <vector>

namespace zolsax2 {

namespace {

const char* const HEADER = "  elements attributes   characters    PIs     time ms      MB/s  file\n";

// What one thread counts with, made on the calling thread. The parser's user data is the
// worker, so that the entities the reader did not expand reach the log; the events go on to
// the counter.
struct Worker {
    Worker(const CommandLine& line, const Catalogs& catalogs) : hook(catalogs, log)
    {
        ParserSetup::apply(parser, log, hook, line, skippedEntity);
    }
    static void startElement(void* worker, const char* name, const char** attributes)
    {
        EventCounter::startElement(&static_cast<Worker*>(worker)->counter, name, attributes);
    }
    static void characters(void* worker, const char* text, int length)
    {
        EventCounter::characters(&static_cast<Worker*>(worker)->counter, text, length);
    }
    static void processingInstruction(void* worker, const char* target, const char* data)
    {
        EventCounter::processingInstruction(&static_cast<Worker*>(worker)->counter, target, data);
    }
    static void skippedEntity(void* worker, const char* name)
    {
        auto* self = static_cast<Worker*>(worker);
        self->log.addSkippedEntity(name, self->parser);
    }
    EventCounter counter;
    DiagnosticLog log;
    Catalogs::Hook hook;
    ZOLSAX2Parser parser{this, &log, startElement, nullptr, characters, processingInstruction};
};

struct Report {
    bool ok = false;
    EventCounter counts;
    double milliseconds = 0;
    std::uintmax_t bytes = 0;
    std::string name;
    std::string diagnostics;
    // For --format json.
    std::vector<DiagnosticLog::Record> records;
    SourceNames names{std::string()};
};

std::string countRow(const EventCounter& c, double milliseconds, std::uintmax_t bytes, const std::string& name)
{
    const double megabytesPerSecond = milliseconds > 0 ? static_cast<double>(bytes) / 1e6 / (milliseconds / 1e3) : 0.0;
    char row[160];
    std::snprintf(row, sizeof row, "%10llu %10llu %12llu %6llu %11.3f %9.2f  ",
                  static_cast<unsigned long long>(c.elements), static_cast<unsigned long long>(c.attributes),
                  static_cast<unsigned long long>(c.characterBytes),
                  static_cast<unsigned long long>(c.processingInstructions), milliseconds, megabytesPerSecond);
    return row + name + "\n";
}

// The row of an input that could not be counted: "failed" where the numbers would be.
std::string failedRow(const std::string& name)
{
    char row[160];
    std::snprintf(row, sizeof row, "%10s %10s %12s %6s %11s %9s  ", "failed", "-", "-", "-", "-", "-");
    return row + name + "\n";
}

} // namespace

int CountCommand::run()
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
    EventCounter total;
    double totalMilliseconds = 0;
    std::uintmax_t totalBytes = 0;
    std::size_t files = 0;
    std::size_t failed = 0;
    bool headerDone = false;
    const auto header = [&]() {
        if (!headerDone)
            out << HEADER;
        headerDone = true;
    };
    // json: one object a line on standard output, diagnostics included, as check writes them.
    const bool json = line.format == "json";
    ReportWriter writer(out, line.format, line.command);
    if (!line.quiet && !json)
        header();
    runner.run(
        inputs, progress,
        [&](std::size_t w, std::size_t slot, const std::string& name) {
            Worker& worker = *workers[w];
            Report& report = reports[slot];
            InputFile input(name);
            // Standard input is copied first, outside the timing, so its rate is known.
            if (input.isStandardInput())
                input.spool(in);
            worker.counter = EventCounter();
            const auto start = std::chrono::steady_clock::now();
            report.ok = input.parse(worker.parser, worker.log, in);
            const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
            report.counts = worker.counter;
            report.milliseconds = elapsed.count();
            report.bytes = input.size();
            report.name = Escape::text(input.names().inputName());
            report.diagnostics.clear();
            report.records = worker.log.getRecords();
            report.names = input.names();
            worker.log.print(report.diagnostics, input.names());
            if (!report.ok)
                report.diagnostics += report.name + ": failed\n";
        },
        [&](std::size_t slot, const std::string&) {
            const Report& report = reports[slot];
            if (json) {
                ++files;
                failed += report.ok ? 0 : 1;
                writer.input(report.records, report.names, nullptr, report.ok, report.ok ? "ok" : "failed", "");
                const EventCounter& c = report.counts;
                if (report.ok)
                    writer.counts(report.names.inputName(), c.elements, c.attributes, c.characterBytes,
                                  c.processingInstructions, report.milliseconds, report.bytes);
                return;
            }
            if (!report.diagnostics.empty()) {
                // Flushed first, so that on a terminal a file's problems come before its row.
                out.flush();
                err << report.diagnostics << std::flush;
            }
            ++files;
            if (!report.ok) {
                ++failed;
                header();
                out << failedRow(report.name);
                return;
            }
            if (!line.quiet)
                out << countRow(report.counts, report.milliseconds, report.bytes, report.name);
            total += report.counts;
            totalMilliseconds += report.milliseconds;
            totalBytes += report.bytes;
        });
    if (json) {
        writer.finish(files, failed, inputs.problem().empty(), std::string());
    } else if (files > 1) {
        header();
        out << countRow(total, totalMilliseconds, totalBytes, "total");
    }
    return finish(inputs, files, failed == 0 ? EXIT_OK : EXIT_FAILED);
}

} // namespace zolsax2
