#include "ValidateCommand.h"

#include "Catalogs.h"
#include "CommandLine.h"
#include "DiagnosticLog.h"
#include "Escape.h"
#include "InputFile.h"
#include "InputList.h"
#include "OrderedRunner.h"
#include "Progress.h"
#include "ReaderLimits.h"
#include "ReportWriter.h"
#include "SchemaFile.h"
#include "SchemaReferences.h"
#include "SharedSchemas.h"
#include "SourceNames.h"

#include <ZOLFile.h>
#include <ZOLSAX2Validator.h>
#include <ZOLString.h>

#include <xercesc/dom/DOMException.hpp>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <ostream>
#include <set>
#include <vector>

namespace zolsax2 {

namespace {

using Schemas = std::vector<std::unique_ptr<SchemaFile>>;

// What one thread validates with, made on the calling thread: a strict validator that
// keeps the schemas' grammar for all the files it validates. A provisional one skips the
// schemas' full constraint check until the gate below has found them sound.
struct Worker {
    Worker(const CommandLine& line, const Schemas& schemas, const Catalogs& catalogs, bool provisional = false)
        : provisional(provisional), hook(catalogs, log)
    {
        hook.install(validator);
        validator.setSchemaFullChecking(!provisional);
        ReaderLimits::apply(validator, line);
        validator.setStrictValidation(true, line.followHints);
        validator.setSchemaCaching(true);
        validator.setEncodingErrorLocation(true);
        validator.setDtdValidation(line.dtd, line.dtdFile.c_str());
        for (const auto& schema : schemas) {
            if (schema->targetNamespace().empty())
                validator.addNoNamespaceSchemaLocation(schema->location().c_str());
            else
                validator.addSchema(schema->targetNamespace().c_str(), schema->location().c_str());
        }
    }
    bool provisional;
    DiagnosticLog log;
    Catalogs::Hook hook;
    ZOLSAX2Validator validator{&log};
};

// With several workers, the schemas' full constraint check (about half of loading a large
// schema, and work no document can start before) need not hold the others up: worker 0
// loads the schemas with the check, the gate, while the other workers validate with
// validators that skip it. For sound schemas, which pass it, their answers and records are
// the same; their reports wait for the gate, and if it finds the schemas unsound they are
// validated again with the check, on the calling thread. The output stays that of -j 1.
class Gate {
public:
    enum State { PENDING, RUNNING, SOUND, UNSOUND };

    // Loads the schemas with validator, unless another thread did or does.
    void resolve(ZOLSAX2Validator& validator)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (state != PENDING)
                return;
            state = RUNNING;
        }
        const bool sound = validator.loadSchemas();
        {
            std::lock_guard<std::mutex> lock(mutex);
            state = sound ? SOUND : UNSOUND;
        }
        resolved.notify_all();
    }
    // The outcome, once some thread has resolved the gate.
    State wait()
    {
        std::unique_lock<std::mutex> lock(mutex);
        resolved.wait(lock, [this] { return state == SOUND || state == UNSOUND; });
        return state;
    }
    State current()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return state;
    }

private:
    std::mutex mutex;
    std::condition_variable resolved;
    State state = PENDING;
};

// The result of one input, printed in input order.
struct Report {
    std::vector<DiagnosticLog::Record> records;
    SourceNames names{std::string()};
    bool valid = false;
    // Validated without the schemas' full check, before they were found sound.
    bool unchecked = false;
};

// Validates one input; false when it is not valid or cannot be read.
bool validate(Worker& worker, InputFile& input, std::istream& in)
{
    worker.log.clear();
    if (!input.problem().empty()) {
        worker.log.addProblem(input.problem());
        return false;
    }
    try {
        // Standard input is validated as it arrives, never copied.
        if (input.isStandardInput())
            return worker.validator.validateStream(InputFile::readStream, &in, input.streamId().c_str());
        return worker.validator.validate(ZOLFile(input.path().c_str()));
    } catch (const std::bad_alloc&) {
        worker.log.addProblem("out of memory");
    } catch (const std::exception& e) {
        worker.log.addProblem(e.what());
    } catch (const xercesc::DOMException& e) {
        // The schema reader's own exception for a schema document it cannot read.
        worker.log.addProblem(e.getMessage() == nullptr ? "schema cannot be read" : ZOLString(e.getMessage()).chars());
    }
    return false;
}

} // namespace

int ValidateCommand::run()
{
    InputList inputs = openInputs();
    // The schemas' own problems, printed once before any input; each input then fails
    // without being read by a validator, since there is nothing to validate it against.
    Schemas schemas;
    bool schemasServe = true;
    ReportWriter writer(out, line.format, line.command);
    SchemaReferences references;
    for (const CommandLine::Schema& s : line.schemas) {
        schemas.push_back(std::make_unique<SchemaFile>(s.location, s.targetNamespace));
        schemasServe = schemas.back()->check(line.secure) && schemasServe;
        if (schemasServe && schemas.back()->location().compare(0, 1, "/") == 0)
            references.add(schemas.back()->location(), line.secure);
        writer.problems(schemas.back()->problems().getRecords(), schemas.back()->names());
    }

    const Catalogs catalogs(line, err);
    const std::size_t jobs = schemasServe ? workerCount(inputs) : 1;
    // Sound schemas are read and checked once for every worker; the gate below is then moot.
    const std::unique_ptr<SharedSchemas> shared =
        schemasServe && jobs > 1 ? std::make_unique<SharedSchemas>(line, schemas, catalogs) : nullptr;
    // A document's own hints may bring in schemas of their own, which only the check finds
    // sound or not: then every worker checks everything.
    const bool gated = jobs > 1 && !line.followHints && !schemas.empty() && !(shared && shared->isLoaded());
    // Room for the inputs the provisional workers validate while the gate loads.
    OrderedRunner runner(jobs, gated ? 256 * jobs : 0);
    std::vector<std::unique_ptr<Worker>> workers;
    for (std::size_t w = 0; schemasServe && w < jobs; ++w) {
        workers.push_back(std::make_unique<Worker>(line, schemas, catalogs, gated && w > 0));
        if (shared)
            shared->use(workers.back()->validator);
    }
    Gate gate;
    // Validates again, on the calling thread, what provisional workers did before the gate
    // found the schemas unsound; made when first needed.
    std::unique_ptr<Worker> checker;
    std::vector<Report> reports(runner.window());
    Progress progress(err, errIsTerminal, inputs.knownCount());
    // The lines of problems in shared files (the schema) printed so far.
    std::set<std::string> shown;
    std::size_t files = 0;
    std::size_t failed = 0;
    runner.run(
        inputs, progress,
        [&](std::size_t w, std::size_t slot, const std::string& name) {
            Report& report = reports[slot];
            InputFile input(name);
            report.records.clear();
            report.unchecked = false;
            if (schemasServe) {
                Worker& worker = *workers[w];
                if (gated && w == 0)
                    gate.resolve(worker.validator);
                if (worker.provisional) {
                    // Standard input cannot be read twice: it waits for the gate.
                    if (input.isStandardInput())
                        gate.wait();
                    if (gate.current() == Gate::UNSOUND) {
                        worker.validator.setSchemaFullChecking(true);
                        worker.provisional = false;
                    }
                }
                report.unchecked = worker.provisional && gate.current() != Gate::SOUND;
                report.valid = validate(worker, input, in);
                report.records = worker.log.getRecords();
            } else {
                report.valid = false;
                if (!input.problem().empty())
                    report.records.push_back({std::string(), 0, 0, "fatal", input.problem(), std::string()});
            }
            report.names = input.names();
            for (const auto& schema : schemas)
                schema->addNames(report.names);
        },
        [&](std::size_t slot, const std::string& name) {
            Report& report = reports[slot];
            if (report.unchecked) {
                if (!checker)
                    checker = std::make_unique<Worker>(line, schemas, catalogs);
                // Worker 0 may not have started yet; the checker then runs the gate itself.
                gate.resolve(checker->validator);
                if (gate.wait() == Gate::UNSOUND) {
                    InputFile input(name);
                    report.valid = validate(*checker, input, in);
                    report.records = checker->log.getRecords();
                }
            }
            references.place(report.records);
            const char* verdict = report.valid ? "validates" : "fails to validate";
            writer.input(report.records, report.names, &shown, report.valid, verdict,
                         report.valid && line.quiet ? std::string()
                                                    : Escape::text(report.names.inputName()) + " " + verdict + "\n");
            ++files;
            failed += report.valid ? 0 : 1;
        });
    std::string summary;
    if ((files != 1 || !line.filesFrom.empty()) && (files > 0 || line.allowEmpty))
        summary = plural(files, "file") + ": " + std::to_string(files - failed) + " validate, " +
                  std::to_string(failed) + " fail to validate" + (inputs.problem().empty() ? "\n" : " (incomplete)\n");
    writer.finish(files, failed, inputs.problem().empty(), summary);
    return finish(inputs, files, failed == 0 ? EXIT_OK : EXIT_FAILED);
}

} // namespace zolsax2
