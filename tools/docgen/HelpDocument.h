#ifndef ZOLSAX2_TOOLS_DOCGEN_HELPDOCUMENT_H
#define ZOLSAX2_TOOLS_DOCGEN_HELPDOCUMENT_H

#include <functional>
#include <string>
#include <vector>

namespace zolsax2 {

// zolsax2's --help texts read back as data, so that the manual page and the shell
// completion are written from them and cannot drift. The texts' layout is the contract:
// blocks separated by blank lines; a block whose first line is a heading "Name:" lists
// entries ("  TERM  text", continued on deeper-indented lines) or, for "Examples", commands;
// other blocks are prose whose indented lines are kept as they are. An option's arguments
// are the words after its names; one written as words joined by '|' (text|json) takes
// exactly those words.
class HelpDocument {
public:
    // One entry of a list: "-j, --jobs N" and its text on one line.
    struct Entry {
        std::string term;
        std::string text;
    };
    // One option: its names (-j, --jobs), its arguments (N) and its text.
    struct Option {
        std::vector<std::string> names;
        std::vector<std::string> arguments;
        std::string text;
    };
    // One command: name, usage ("check FILE|-..."), the one-line summary, the description
    // of 'zolsax2 COMMAND --help' and the options that help lists.
    struct Command {
        std::string name;
        std::string usage;
        std::string summary;
        std::vector<std::string> description;
        std::vector<Option> options;
    };
    // A block of the full help after the commands: a heading ("Exit status") or, for
    // prose, its first word ("Diagnostics"); entries for lists, lines for everything else.
    struct Section {
        std::string title;
        bool list = false;
        bool example = false;
        std::vector<Entry> entries;
        std::vector<std::string> lines;
    };

    // Reads the full help and each command's help (commandHelp gives it by name).
    static HelpDocument parse(const std::string& fullHelp,
                              const std::function<std::string(const std::string&)>& commandHelp);
    // The option an entry of an options list describes.
    static Option optionOf(const Entry& entry);

    // "zolsax2 COMMAND [OPTIONS] [FILE...]".
    std::string synopsis;
    // The lines after the usage line, then those of the prose blocks without a title.
    std::vector<std::string> description;
    std::vector<Command> commands;
    // The option groups ("Inputs (events, check, validate, count)"), in order.
    std::vector<Section> optionGroups;
    // Everything else after the commands, in order.
    std::vector<Section> sections;
};

} // namespace zolsax2

#endif
