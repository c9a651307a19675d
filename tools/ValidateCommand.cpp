#include "ValidateCommand.h"

#include "CommandLine.h"
#include "DiagnosticLog.h"
#include "Escape.h"
#include "InputFile.h"
#include "InputList.h"
#include "OrderedRunner.h"
#include "Progress.h"
#include "SourceNames.h"

#include <ZOLFile.h>
#include <ZOLSAX2Parser.h>
#include <ZOLSAX2Validator.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <ostream>
#include <system_error>
#include <vector>

namespace zolsax2 {

namespace {

// A location with a URL scheme ("http:", "file:", ...) rather than a local path.
bool isUrl(const std::string& location)
{
    const std::size_t colon = location.find(':');
    if (colon == std::string::npos || colon < 2)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = location[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))
            return false;
    }
    return true;
}

// The file URL of an absolute path, with the bytes the reader's list would split on escaped.
std::string fileUrl(const std::string& path)
{
    std::string url = "file://";
    for (char c : path) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '%') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            url += escaped;
        } else {
            url += c;
        }
    }
    return url;
}

// What one thread validates with, made on the calling thread. The plain parser reads a
// file that failed again, to tell its well-formedness errors and warnings from the
// validator's errors.
struct Worker {
    Worker(bool secure, const std::string& schemaNamespace, const std::string& location)
    {
        validator.setSecureProcessing(secure);
        validator.addSchemaLocation(schemaNamespace.c_str(), location.c_str());
        plainParser.setSecureProcessing(secure);
    }
    DiagnosticLog log;
    ZOLSAX2Validator validator{&log};
    DiagnosticLog plainLog;
    ZOLSAX2Parser plainParser{nullptr, &plainLog, nullptr, nullptr, nullptr, nullptr};
};

struct Report {
    std::string text;
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
    bool valid = false;
    try {
        valid = worker.validator.validate(ZOLFile(input.path().c_str()));
    } catch (const std::bad_alloc&) {
        worker.log.addProblem("out of memory");
        return false;
    } catch (const std::exception& e) {
        worker.log.addProblem(e.what());
        return false;
    }
    worker.plainLog.clear();
    if (!valid)
        input.parse(worker.plainParser, worker.plainLog, in);
    worker.log.settleValidation(valid, worker.plainLog);
    return valid;
}

} // namespace

std::string ValidateCommand::schemaLocation(const std::string& given)
{
    if (isUrl(given))
        return given;
    std::error_code ec;
    if (!std::filesystem::exists(given, ec) || std::filesystem::is_directory(given, ec))
        throw CommandLine::UsageError("schema not found: " + given);
    const std::string location = std::filesystem::absolute(given).lexically_normal().string();
    return location.find_first_of(" \t\r\n") != std::string::npos ? fileUrl(location) : location;
}

int ValidateCommand::run()
{
    const std::string location = schemaLocation(line.schemaLocation);
    InputList inputs = openInputs();
    const std::size_t jobs = workerCount(inputs);
    OrderedRunner runner(jobs);
    std::vector<std::unique_ptr<Worker>> workers;
    for (std::size_t w = 0; w < jobs; ++w)
        workers.push_back(std::make_unique<Worker>(line.secure, line.schemaNamespace, location));
    std::vector<Report> reports(runner.window());
    Progress progress(err, errIsTerminal, inputs.knownCount());
    std::size_t files = 0;
    std::size_t failed = 0;
    runner.run(
        inputs, progress,
        [&](std::size_t w, std::size_t slot, const std::string& name) {
            Worker& worker = *workers[w];
            Report& report = reports[slot];
            InputFile input(name);
            report.valid = validate(worker, input, in);
            report.text.clear();
            SourceNames names = input.names();
            names.add(location, line.schemaLocation);
            worker.log.print(report.text, names);
            if (!report.valid || !line.quiet)
                report.text +=
                    Escape::text(input.names().inputName()) + (report.valid ? " validates\n" : " fails to validate\n");
        },
        [&](std::size_t slot, const std::string&) {
            out << reports[slot].text;
            ++files;
            failed += reports[slot].valid ? 0 : 1;
        });
    if (files != 1)
        out << plural(files, "file") << ": " << files - failed << " validate, " << failed << " fail to validate\n";
    return failed == 0 ? EXIT_OK : EXIT_FAILED;
}

} // namespace zolsax2
