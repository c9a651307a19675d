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
    {"--dtd", "", 0, {"validate"}},
    {"--load-dtd", "", 0, {"events", "check", "count"}},
    {"--dtd-file", "", 1, {"validate"}},
    {"--secure", "", 0, fileCommands},
    {"--huge", "", 0, fileCommands},
    {"--files-from", "", 1, fileCommands},
    {"--null", "-0", 0, fileCommands},
    {"--quiet", "-q", 0, batchCommands},
    {"--jobs", "-j", 1, batchCommands},
    {"--catalog", "", 1, catalogCommands},
    {"--no-catalogs", "", 0, catalogCommands},
    {"--net", "", 0, fileCommands},
    {"--allow-empty", "", 0, batchCommands},
    {"--format", "", 1, batchCommands},
    {"--no-namespaces", "", 0, {"check", "count"}},
    {"--namespaces", "", 0, {"events"}},
};

const std::vector<std::string> formats = {"text", "json", "sarif", "junit"};

bool isCommand(const std::string& word)
{
    return std::find(commands.begin(), commands.end(), word) != commands.end();
}

// The option arg spells, with an attached value ("--jobs=2", "-j2") split off into value.
// For --schema the attached value is the namespace.
const Option* findOption(const std::string& arg, std::string& value, bool& attached)
{
    const std::size_t equals = arg.find('=');
    const bool isLong = arg.compare(0, 2, "--") == 0;
    for (const Option& option : options) {
        const std::string name = option.name;
        const std::string shortName = option.shortName;
        attached = false;
        if (arg == name || (!shortName.empty() && arg == shortName))
            return &option;
        if (isLong && option.arguments > 0 && equals == name.size() && arg.compare(0, equals, name) == 0) {
            value = arg.substr(equals + 1);
            attached = true;
            return &option;
        }
        if (!isLong && option.arguments == 1 && !shortName.empty() && arg.size() > 2 &&
            arg.compare(0, 2, shortName) == 0) {
            value = arg.substr(2);
            attached = true;
            return &option;
        }
    }
    return nullptr;
}

// "-qj2" as "-q", "-j2"; "-q0" as "-q", "-0". Any other argument is returned as it is.
std::vector<std::string> splitShortOptions(const std::string& arg)
{
    if (arg.size() <= 2 || arg[0] != '-' || arg[1] == '-')
        return {arg};
    std::vector<std::string> parts;
    for (std::size_t i = 1; i < arg.size(); ++i) {
        const std::string flag = std::string("-") + arg[i];
        const auto option =
            std::find_if(options.begin(), options.end(), [&](const Option& o) { return flag == o.shortName; });
        if (option == options.end())
            return {arg};
        if (option->arguments > 0) {
            parts.push_back(flag + arg.substr(i + 1));
            return parts;
        }
        parts.push_back(flag);
    }
    return parts;
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

// Adds a schema of validate; a later one for the same namespace replaces the earlier one
// in its place.
void addSchema(std::vector<CommandLine::Schema>& schemas, const CommandLine::Schema& added)
{
    if (added.location.empty())
        throw CommandLine::UsageError("--schema needs a location");
    if (added.location == "-")
        throw CommandLine::UsageError("--schema cannot read the schema from standard input");
    for (CommandLine::Schema& s : schemas) {
        if (s.targetNamespace == added.targetNamespace) {
            s.location = added.location;
            return;
        }
    }
    schemas.push_back(added);
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

CommandLine CommandLine::parse(const std::vector<std::string>& arguments)
{
    // Combined short options are split first; after "--" every argument is a FILE.
    std::vector<std::string> args;
    bool ended = false;
    for (const std::string& arg : arguments) {
        if (ended || arg == "--") {
            args.push_back(arg);
            ended = true;
            continue;
        }
        for (std::string& part : splitShortOptions(arg))
            args.push_back(std::move(part));
    }
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
        // --schema may come any number of times, the last one for a namespace winning.
        // --catalog may come any number of times.
        if (std::any_of(given.begin(), given.end(), [&](const auto& g) { return g.first == name; }) &&
            option->arguments > 0 && name != "--schema" && name != "--catalog")
            throw UsageError(spelled + " given twice");
        given.emplace_back(name, spelled);
        // --schema=NAMESPACE LOCATION: the location still follows.
        const int following = option->arguments - (attached ? 1 : 0);
        if (following > 0) {
            if (i + following >= args.size())
                throw UsageError(name == "--schema" ? "--schema needs a namespace and a location"
                                                    : spelled + " needs a value");
            if (!attached)
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
        } else if (name == "--huge") {
            line.huge = true;
        } else if (name == "--quiet") {
            line.quiet = true;
        } else if (name == "--follow-hints") {
            line.followHints = true;
        } else if (name == "--load-dtd") {
            line.loadDtd = true;
        } else if (name == "--dtd") {
            line.dtd = true;
        } else if (name == "--dtd-file") {
            if (value.empty())
                throw UsageError(spelled + " needs a file name");
            line.dtd = true;
            line.dtdFile = value;
        } else if (name == "--allow-empty") {
            line.allowEmpty = true;
        } else if (name == "--no-namespaces") {
            line.namespaces = false;
        } else if (name == "--namespaces") {
            line.namespaces = true;
        } else if (name == "--format") {
            if (std::find(formats.begin(), formats.end(), value) == formats.end())
                throw UsageError(spelled + " takes text, json, sarif or junit");
            line.format = value;
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
            addSchema(line.schemas, {value, args[++i]});
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
    // Namespaces are checked by check and count unless --no-namespaces; events checks them
    // only when --namespaces asks.
    if (line.command == "events")
        line.namespaces =
            std::any_of(given.begin(), given.end(), [](const auto& g) { return g.first == "--namespaces"; });
    if (line.format != "text" && line.command == "count" && line.format != "json")
        throw UsageError("count takes --format text or json");
    if (line.positions && line.canonical)
        throw UsageError("--positions and --canonical exclude each other");
    const bool needsFile = line.command == "check" || line.command == "validate" || line.command == "count";
    if (needsFile && line.inputs.empty() && line.filesFrom.empty())
        throw UsageError(line.command + " needs at least one FILE or --files-from");
    if (line.command == "validate" && line.schemas.empty() && !line.dtd)
        throw UsageError("validate needs --schema NAMESPACE LOCATION, --dtd or --dtd-file DTD");
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
