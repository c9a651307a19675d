#include "CommandLine.h"

#include <algorithm>

namespace zolsax2 {

namespace {

const std::vector<std::string> commands = {"events", "check", "validate", "count", "messages"};

bool isCommand(const std::string& word)
{
    return std::find(commands.begin(), commands.end(), word) != commands.end();
}

// The options each command accepts; --help and --version are accepted everywhere.
bool accepts(const std::string& command, const std::string& option)
{
    if (option == "--secure")
        return command == "events" || command == "check" || command == "validate" || command == "count";
    if (option == "--positions" || option == "--canonical")
        return command == "events";
    if (option == "--schema")
        return command == "validate";
    return false;
}

} // namespace

CommandLine CommandLine::parse(const std::vector<std::string>& args)
{
    CommandLine line;
    bool optionsEnded = false;
    bool schemaSeen = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (isOption && arg == "--") {
            optionsEnded = true;
        } else if (isOption && (arg == "-h" || arg == "--help")) {
            line.help = true;
        } else if (isOption && arg == "--version") {
            line.version = true;
        } else if (isOption) {
            if (line.command.empty())
                throw UsageError("option " + arg + " before the command");
            if (!accepts(line.command, arg))
                throw UsageError("unknown option " + arg + " for " + line.command);
            if (arg == "--secure") {
                line.secure = true;
            } else if (arg == "--positions") {
                line.positions = true;
            } else if (arg == "--canonical") {
                line.canonical = true;
            } else {
                if (schemaSeen)
                    throw UsageError("--schema given twice; validate takes one schema");
                if (i + 2 >= args.size())
                    throw UsageError("--schema needs a namespace and a location");
                line.schemaNamespace = args[++i];
                line.schemaLocation = args[++i];
                schemaSeen = true;
            }
        } else if (line.command.empty()) {
            if (!isCommand(arg))
                throw UsageError("unknown command '" + arg + "'");
            line.command = arg;
        } else {
            line.inputs.push_back(arg);
        }
    }
    if (line.help || line.version)
        return line;
    if (line.command.empty())
        throw UsageError("no command given");
    if (line.positions && line.canonical)
        throw UsageError("--positions and --canonical exclude each other");
    const bool needsFile = line.command == "check" || line.command == "validate" || line.command == "count";
    if (needsFile && line.inputs.empty())
        throw UsageError(line.command + " needs at least one FILE");
    if (line.command == "validate" && !schemaSeen)
        throw UsageError("validate needs --schema NAMESPACE LOCATION");
    if (line.command == "messages" && line.inputs.size() > 1)
        throw UsageError("messages takes at most one ID");
    if (line.command == "validate" || line.command == "count") {
        if (std::find(line.inputs.begin(), line.inputs.end(), "-") != line.inputs.end())
            throw UsageError(line.command + " reads files, not standard input");
    }
    return line;
}

} // namespace zolsax2
