#include "CommandLine.h"

#include <algorithm>

namespace zolsax2 {

namespace {

const std::vector<std::string> commands = {"events", "check", "validate", "count", "messages", "resolve"};

// One option: its long and short spelling, how many arguments follow it and the commands
// that take it (empty: every command).
struct Option {
    const char* name;
    const char* shortName;
    int arguments;
    std::vector<std::string> commands;
};

const std::vector<std::string> fileCommands = {"events", "check", "validate", "count"};
const std::vector<std::string> batchCommands = {"check", "validate", "count"};
const std::vector<std::string> catalogCommands = {"events", "check", "validate", "count", "resolve"};

const std::vector<Option> options = {
    {"--help", "-h", 0, {}},
    {"--version", "", 0, {}},
    {"--positions", "", 0, {"events"}},
    {"--canonical", "", 0, {"events"}},
    {"--schema", "", 2, {"validate"}},
    {"--follow-hints", "", 0, {"validate"}},
    {"--secure", "", 0, fileCommands},
    {"--files-from", "", 1, fileCommands},
    {"--null", "-0", 0, fileCommands},
    {"--quiet", "-q", 0, batchCommands},
    {"--jobs", "-j", 1, batchCommands},
    {"--catalog", "", 1, catalogCommands},
    {"--no-catalogs", "", 0, catalogCommands},
    {"--net", "", 0, fileCommands},
};

bool isCommand(const std::string& word)
{
    return std::find(commands.begin(), commands.end(), word) != commands.end();
}

// The option arg spells, with an attached value ("--jobs=2", "-j2") split off into value.
const Option* findOption(const std::string& arg, std::string& value, bool& attached)
{
    for (const Option& option : options) {
        const std::string name = option.name;
        const std::string shortName = option.shortName;
        attached = false;
        if (arg == name || (!shortName.empty() && arg == shortName))
            return &option;
        if (option.arguments == 1 && arg.compare(0, name.size() + 1, name + "=") == 0) {
            value = arg.substr(name.size() + 1);
            attached = true;
            return &option;
        }
        if (option.arguments == 1 && !shortName.empty() && arg.size() > 2 && arg.compare(0, 2, shortName) == 0) {
            value = arg.substr(2);
            attached = true;
            return &option;
        }
    }
    return nullptr;
}

unsigned parseJobs(const std::string& spelled, const std::string& value)
{
    const bool digits = !value.empty() && value.size() <= 4 &&
                        std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
    const unsigned jobs = digits ? static_cast<unsigned>(std::stoul(value)) : 0;
    if (jobs < 1 || jobs > 1024)
        throw CommandLine::UsageError(spelled + " needs a number of jobs from 1 to 1024");
    return jobs;
}

// The schemas of validate so far, the last one just added.
void checkSchemas(const std::vector<CommandLine::Schema>& schemas)
{
    const CommandLine::Schema& added = schemas.back();
    if (added.location.empty())
        throw CommandLine::UsageError("--schema needs a location");
    if (added.location == "-")
        throw CommandLine::UsageError("--schema cannot read the schema from standard input");
    const auto withoutNamespace = std::count_if(schemas.begin(), schemas.end(),
                                                [](const CommandLine::Schema& s) { return s.targetNamespace.empty(); });
    if (schemas.size() > 2 || (schemas.size() == 2 && withoutNamespace != 1))
        throw CommandLine::UsageError(
            "--schema takes one schema with a target namespace and one without ('' as NAMESPACE)");
}

} // namespace

bool CommandLine::accepts(const std::string& command, const std::string& option)
{
    for (const Option& o : options) {
        if (option == o.name)
            return o.commands.empty() || std::find(o.commands.begin(), o.commands.end(), command) != o.commands.end();
    }
    return false;
}

CommandLine CommandLine::parse(const std::vector<std::string>& args)
{
    CommandLine line;
    bool optionsEnded = false;
    // Long names of the options given, in order, with their spelling, checked against the
    // command once it is known.
    std::vector<std::pair<std::string, std::string>> given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // A public identifier such as -//OASIS//DTD DocBook XML V4.5//EN is no option.
        const bool publicId = line.command == "resolve" && arg.compare(0, 2, "-/") == 0;
        if (optionsEnded || arg.size() < 2 || arg[0] != '-' || publicId) {
            if (!line.command.empty()) {
                line.inputs.push_back(arg);
            } else if (isCommand(arg)) {
                line.command = arg;
            } else {
                throw UsageError("unknown command '" + arg + "'");
            }
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string value;
        bool attached = false;
        const Option* option = findOption(arg, value, attached);
        if (option == nullptr)
            throw UsageError("unknown option " + arg);
        const std::string name = option->name;
        const std::string spelled =
            attached ? arg.substr(0, arg.find('=') == std::string::npos ? 2 : arg.find('=')) : arg;
        // --schema may come twice, once without a namespace; checkSchemas() says. --catalog
        // may come any number of times.
        if (std::any_of(given.begin(), given.end(), [&](const auto& g) { return g.first == name; }) &&
            option->arguments > 0 && name != "--schema" && name != "--catalog")
            throw UsageError(spelled + " given twice");
        given.emplace_back(name, spelled);
        if (!attached && option->arguments > 0) {
            if (i + option->arguments >= args.size())
                throw UsageError(name == "--schema" ? "--schema needs a namespace and a location"
                                                    : spelled + " needs a value");
            value = args[++i];
        }
        if (name == "--help") {
            line.help = true;
        } else if (name == "--version") {
            line.version = true;
        } else if (name == "--positions") {
            line.positions = true;
        } else if (name == "--canonical") {
            line.canonical = true;
        } else if (name == "--secure") {
            line.secure = true;
        } else if (name == "--quiet") {
            line.quiet = true;
        } else if (name == "--follow-hints") {
            line.followHints = true;
        } else if (name == "--null") {
            line.nullSeparated = true;
        } else if (name == "--jobs") {
            line.jobs = parseJobs(spelled, value);
        } else if (name == "--catalog") {
            if (value.empty())
                throw UsageError(spelled + " needs a file name");
            line.catalogs.push_back(value);
        } else if (name == "--no-catalogs") {
            line.noCatalogs = true;
        } else if (name == "--net") {
            line.net = true;
        } else if (name == "--files-from") {
            if (value.empty())
                throw UsageError(spelled + " needs a file name");
            line.filesFrom = value;
        } else {
            line.schemas.push_back({value, args[++i]});
            checkSchemas(line.schemas);
        }
    }
    if (line.help || line.version)
        return line;
    if (line.command.empty())
        throw UsageError("no command given");
    for (const auto& [name, spelled] : given) {
        if (!accepts(line.command, name))
            throw UsageError("unknown option " + spelled + " for " + line.command);
    }
    if (line.positions && line.canonical)
        throw UsageError("--positions and --canonical exclude each other");
    const bool needsFile = line.command == "check" || line.command == "validate" || line.command == "count";
    if (needsFile && line.inputs.empty() && line.filesFrom.empty())
        throw UsageError(line.command + " needs at least one FILE or --files-from");
    if (line.command == "validate" && line.schemas.empty())
        throw UsageError("validate needs --schema NAMESPACE LOCATION");
    if (line.command == "resolve" && line.inputs.empty())
        throw UsageError("resolve needs at least one ID");
    if (line.noCatalogs && !line.catalogs.empty())
        throw UsageError("--catalog and --no-catalogs exclude each other");
    if (line.command == "messages" && line.inputs.size() > 1)
        throw UsageError("messages takes at most one ID");
    if (line.nullSeparated && line.filesFrom.empty())
        throw UsageError("--null applies to a --files-from list");
    const auto standardInputs = std::count(line.inputs.begin(), line.inputs.end(), "-");
    if (standardInputs > 1)
        throw UsageError("- given twice: standard input can be read once");
    if (standardInputs == 1 && line.filesFrom == "-")
        throw UsageError("standard input cannot be both the list of files and an input");
    return line;
}

} // namespace zolsax2
