#include "ValidateCommand.h"

#include "CommandLine.h"
#include "DiagnosticLog.h"
#include "Escape.h"
#include "InputFile.h"
#include "InputList.h"
#include "OrderedRunner.h"
#include "Progress.h"
#include "SchemaFile.h"
#include "SourceNames.h"

#include <ZOLFile.h>
#include <ZOLSAX2Validator.h>

#include <memory>
#include <new>
#include <ostream>
#include <set>
#include <vector>

namespace zolsax2 {

namespace {

using Schemas = std::vector<std::unique_ptr<SchemaFile>>;

// What one thread validates with, made on the calling thread: a strict validator that
// keeps the schemas' grammar for all the files it validates.
struct Worker {
    Worker(const CommandLine& line, const Schemas& schemas)
    {
        validator.setSecureProcessing(line.secure);
        validator.setStrictValidation(true, line.followHints);
        validator.setSchemaCaching(true);
        for (const auto& schema : schemas) {
            if (schema->targetNamespace().empty())
                validator.addNoNamespaceSchemaLocation(schema->location().c_str());
            else
                validator.addSchemaLocation(schema->targetNamespace().c_str(), schema->location().c_str());
        }
    }
    DiagnosticLog log;
    ZOLSAX2Validator validator{&log};
};

// The result of one input, printed in input order.
struct Report {
    std::vector<DiagnosticLog::Record> records;
    SourceNames names{std::string()};
    bool valid = false;
};

// Validates one input; false when it is not valid or cannot be read.
bool validate(Worker& worker, InputFile& input, std::istream& in)
{
    worker.log.clear();
    if (input.isStandardInput() && !input.spool(in)) {
        worker.log.addProblem(input.problem());
        return false;
    }
    if (!input.problem().empty()) {
        worker.log.addProblem(input.problem());
        return false;
    }
    try {
        return worker.validator.validate(ZOLFile(input.path().c_str()));
    } catch (const std::bad_alloc&) {
        worker.log.addProblem("out of memory");
    } catch (const std::exception& e) {
        worker.log.addProblem(e.what());
    }
    return false;
}

// The reader gives no entity for a schema it could not open ("unable to open primary
// document entity 'S'"); such a record belongs to the schema it quotes, not to the input.
void ownSchemaRecords(std::vector<DiagnosticLog::Record>& records, const Schemas& schemas)
{
    for (DiagnosticLog::Record& r : records) {
        for (const auto& schema : schemas) {
            if (r.file.empty() && r.text.find("'" + schema->location() + "'") != std::string::npos)
                r.file = schema->location();
        }
    }
}

} // namespace

int ValidateCommand::run()
{
    InputList inputs = openInputs();
    // The schemas' own problems, printed once before any input; each input then fails
    // without being read by a validator, since there is nothing to validate it against.
    Schemas schemas;
    bool schemasServe = true;
    for (const CommandLine::Schema& s : line.schemas) {
        schemas.push_back(std::make_unique<SchemaFile>(s.location, s.targetNamespace));
        schemasServe = schemas.back()->check(line.secure) && schemasServe;
        std::string problems;
        schemas.back()->problems().print(problems, schemas.back()->names());
        out << problems;
    }

    const std::size_t jobs = schemasServe ? workerCount(inputs) : 1;
    OrderedRunner runner(jobs);
    std::vector<std::unique_ptr<Worker>> workers;
    for (std::size_t w = 0; schemasServe && w < jobs; ++w)
        workers.push_back(std::make_unique<Worker>(line, schemas));
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
            if (schemasServe) {
                Worker& worker = *workers[w];
                report.valid = validate(worker, input, in);
                report.records = worker.log.getRecords();
                ownSchemaRecords(report.records, schemas);
            } else {
                report.valid = false;
                if (!input.problem().empty())
                    report.records.push_back({std::string(), 0, 0, "fatal", input.problem(), std::string()});
            }
            report.names = input.names();
            for (const auto& schema : schemas)
                schema->addNames(report.names);
        },
        [&](std::size_t slot, const std::string&) {
            const Report& report = reports[slot];
            std::string text;
            DiagnosticLog::print(report.records, text, report.names, &shown);
            if (!report.valid || !line.quiet)
                text +=
                    Escape::text(report.names.inputName()) + (report.valid ? " validates\n" : " fails to validate\n");
            out << text;
            ++files;
            failed += report.valid ? 0 : 1;
        });
    if (files != 1 || !line.filesFrom.empty())
        out << plural(files, "file") << ": " << files - failed << " validate, " << failed << " fail to validate\n";
    return failed == 0 ? EXIT_OK : EXIT_FAILED;
}

} // namespace zolsax2
