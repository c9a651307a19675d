#include "Command.h"

#include "CommandLine.h"
#include "Escape.h"
#include "InputFile.h"
#include "InputList.h"

#include <fcntl.h>
#include <iostream>
#include <memory>
#include <sched.h>
#include <thread>
#include <unistd.h>

namespace zolsax2 {

namespace {

// The processors this process may run on.
std::size_t availableProcessors()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<std::size_t>(CPU_COUNT(&set));
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware > 0 ? hardware : 1;
}

} // namespace

Command::Command(const CommandLine& line, std::istream& in, std::ostream& out, std::ostream& err, bool errIsTerminal)
    : line(line), in(in), out(out), err(err), errIsTerminal(errIsTerminal)
{}

Command::~Command() = default;

InputList Command::openInputs(const char* defaultInput) const
{
    std::vector<std::string> arguments = line.inputs;
    if (arguments.empty() && line.filesFrom.empty() && defaultInput != nullptr)
        arguments.emplace_back(defaultInput);
    if (line.filesFrom.empty())
        return InputList(std::move(arguments));
    const char separator = line.nullSeparated ? '\0' : '\n';
    // The process's own standard input is read by its descriptor, so that a read error or
    // a closed descriptor is told apart from the end of the list.
    if (line.filesFrom == "-" && &in != &std::cin)
        return InputList(std::move(arguments), in, separator, "-");
    if (line.filesFrom == "-")
        return InputList(std::move(arguments), STDIN_FILENO, false, separator, "- (standard input)");
    // Probed first for the system's reason, as an input is.
    const InputFile probe(line.filesFrom);
    const int fd = probe.problem().empty() ? ::open(line.filesFrom.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY) : -1;
    if (fd < 0)
        throw CommandLine::UsageError("--files-from " + line.filesFrom + ": " +
                                      (probe.problem().empty() ? "cannot read" : probe.problem()));
    return InputList(std::move(arguments), fd, true, separator, line.filesFrom);
}

int Command::finish(const InputList& inputs, std::size_t files, int status) const
{
    if (!inputs.problem().empty()) {
        err << "zolsax2: " << Escape::text(inputs.problem()) << " (the run is incomplete)\n";
        return EXIT_FAILED;
    }
    if (files == 0 && !line.allowEmpty) {
        err << "zolsax2: no files to " << line.command << " (--allow-empty accepts that)\n";
        return EXIT_FAILED;
    }
    return status;
}

std::size_t Command::workerCount(const InputList& inputs) const
{
    std::size_t jobs = line.jobs > 0 ? line.jobs : availableProcessors();
    if (inputs.knownCount() > 0 && inputs.knownCount() < jobs)
        jobs = inputs.knownCount();
    return jobs;
}

std::string Command::plural(std::size_t n, const char* word)
{
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

} // namespace zolsax2
