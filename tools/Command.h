#ifndef ZOLSAX2_TOOLS_COMMAND_H
#define ZOLSAX2_TOOLS_COMMAND_H

#include <cstddef>
#include <iosfwd>
#include <string>

namespace zolsax2 {

class CommandLine;
class InputList;

// Exit statuses of the zolsax2 command.
enum ExitStatus { EXIT_OK = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

// One zolsax2 command over the process's streams: "-" reads in, results go to out,
// diagnostics of events and count and the progress line to err.
class Command {
public:
    Command(const CommandLine& line, std::istream& in, std::ostream& out, std::ostream& err, bool errIsTerminal);
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;
    virtual ~Command();

    // Runs the command; returns its exit status.
    virtual int run() = 0;

protected:
    // The inputs: the FILE arguments (or defaults when there are none), then the names of
    // the --files-from list. Throws CommandLine::UsageError when the list cannot be opened.
    InputList openInputs(const char* defaultInput = nullptr) const;
    // The exit status of a run over inputs that handled files and would end with status:
    // a list that failed or no input at all (unless --allow-empty) are reported on err and
    // fail the run.
    int finish(const InputList& inputs, std::size_t files, int status) const;
    // How many workers -j asks for (the processors available by default), never more than
    // there are inputs when that is known.
    std::size_t workerCount(const InputList& inputs) const;
    // "1 file", "2 files".
    static std::string plural(std::size_t n, const char* word);

    const CommandLine& line;
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal;
};

} // namespace zolsax2

#endif
