#ifndef ZOLSAX2_TOOLS_TOOL_H
#define ZOLSAX2_TOOLS_TOOL_H

#include <iosfwd>
#include <string>
#include <vector>

namespace zolsax2 {

class CommandLine;

// Exit statuses of the zolsax2 command.
enum ExitStatus { EXIT_OK = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

// Runs one zolsax2 command line (args without the program name) on the given streams and
// returns its exit status. "-" reads in: the process's standard input is streamed when in
// is std::cin, any other stream is read whole first. Progress is drawn on err only when
// errIsTerminal says err is a terminal.
int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
        bool errIsTerminal = false);

// The subcommands of zolsax2 over one set of streams.
class Tool {
public:
    // A tool reading "-" from in, writing results to out and diagnostics to err.
    Tool(std::istream& in, std::ostream& out, std::ostream& err, bool errIsTerminal);
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;

    // Runs the parsed command line; returns the exit status.
    int run(const CommandLine& line);

    // The text of --help.
    static const char* helpText();
    // The text of --version.
    static std::string versionText();

private:
    int events(const CommandLine& line);
    int check(const CommandLine& line);
    int validate(const CommandLine& line);
    int count(const CommandLine& line);
    int messages(const CommandLine& line);

    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal;
};

} // namespace zolsax2

#endif
