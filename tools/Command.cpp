#include "Command.h"

#include "CommandLine.h"
#include "InputFile.h"
#include "InputList.h"

#include <fstream>
#include <memory>
#include <sched.h>
#include <thread>

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
    if (line.filesFrom == "-")
        return InputList(std::move(arguments), in, separator);
    // Probed first for the system's reason, as an input is.
    const InputFile probe(line.filesFrom);
    auto list = std::make_unique<std::ifstream>(line.filesFrom, std::ios::binary);
    if (!probe.problem().empty() || !*list)
        throw CommandLine::UsageError("--files-from " + line.filesFrom + ": " +
                                      (probe.problem().empty() ? "cannot read" : probe.problem()));
    std::istream& stream = *list;
    return InputList(std::move(arguments), stream, separator, std::move(list));
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
