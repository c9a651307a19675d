#ifndef ZOLSAX2_TOOLS_COMMANDLINE_H
#define ZOLSAX2_TOOLS_COMMANDLINE_H

#include <stdexcept>
#include <string>
#include <vector>

namespace zolsax2 {

// The arguments of one zolsax2 invocation, checked for shape but not against the file system.
class CommandLine {
public:
    // A malformed command line; the message is one line without the program name.
    class UsageError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // Reads args (without the program name); throws UsageError.
    static CommandLine parse(const std::vector<std::string>& args);

    // "events", "check", "validate", "count", "messages", or empty with --help/--version.
    std::string command;
    // The inputs in the order given; "-" is standard input.
    std::vector<std::string> inputs;
    // -h/--help and --version, accepted anywhere.
    bool help = false;
    bool version = false;
    // events --positions / --canonical.
    bool positions = false;
    bool canonical = false;
    // --secure: setSecureProcessing(true) on the parser or validator.
    bool secure = false;
    // The --schema pair of validate.
    std::string schemaNamespace;
    std::string schemaLocation;
};

} // namespace zolsax2

#endif
