#include "BashCompletion.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace zolsax2 {

namespace {

// Words bash may see unquoted in a generated script: option names and fixed values.
bool isPlain(const std::string& word)
{
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' || c == ':';
    });
}

std::string joined(const std::set<std::string>& words, const std::string& separator)
{
    std::string out;
    for (const std::string& word : words)
        out += (out.empty() ? "" : separator) + word;
    return out;
}

// The values an option's text lists, one a clause: "text (the default); json: one object
// a line; sarif: ...". Empty unless every clause starts with a lowercase word followed by
// ':' or " (".
std::set<std::string> listedValues(const std::string& text)
{
    std::set<std::string> values;
    std::size_t start = 0;
    do {
        const std::size_t end = text.find_first_of(" :", start);
        const std::string word = text.substr(start, end == std::string::npos ? end : end - start);
        const bool lower = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
            return std::islower(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) ||
                   c == '-';
        });
        if (!lower || end == std::string::npos || (text[end] != ':' && text.compare(end, 2, " (") != 0))
            return {};
        values.insert(word);
        start = text.find("; ", end);
        start = start == std::string::npos ? start : start + 2;
    } while (start != std::string::npos);
    return values.size() > 1 ? values : std::set<std::string>{};
}

// The words of an argument written as words joined by '|' (text|json).
std::set<std::string> alternatives(const std::string& argument)
{
    std::set<std::string> words;
    std::size_t start = 0;
    for (std::size_t bar; (bar = argument.find('|', start)) != std::string::npos; start = bar + 1)
        words.insert(argument.substr(start, bar - start));
    words.insert(argument.substr(start));
    const bool plain = std::all_of(words.begin(), words.end(), [](const std::string& word) {
        return isPlain(word) && !std::isupper(static_cast<unsigned char>(word[0]));
    });
    return words.size() > 1 && plain ? words : std::set<std::string>{};
}

// What completes an option's argument: fixed words, file names for an argument that names
// a file, or nothing.
std::string completionOf(const HelpDocument::Option& option, std::size_t index)
{
    const std::string& argument = option.arguments[index];
    std::set<std::string> words = alternatives(argument);
    if (words.empty() && option.arguments.size() == 1)
        words = listedValues(option.text);
    if (!words.empty())
        return "COMPREPLY=($(compgen -W '" + joined(words, " ") + "' -- \"$cur\"))";
    for (const char* file : {"FILE", "LIST", "LOCATION", "PATH", "DIR", "CATALOG"}) {
        if (argument.find(file) != std::string::npos)
            return "_filedir";
    }
    return ":";
}

std::vector<HelpDocument::Option> allOptions(const HelpDocument& help)
{
    std::vector<HelpDocument::Option> options;
    for (const HelpDocument::Section& group : help.optionGroups) {
        for (const HelpDocument::Entry& entry : group.entries)
            options.push_back(HelpDocument::optionOf(entry));
    }
    return options;
}

std::string names(const HelpDocument::Option& option)
{
    std::set<std::string> plain;
    for (const std::string& name : option.names) {
        if (isPlain(name))
            plain.insert(name);
    }
    return joined(plain, "|");
}

} // namespace

// For each option with arguments: the case of its last argument's completion on the word
// right after it, and those of the earlier ones further back.
std::string BashCompletion::argumentCases(const HelpDocument& help)
{
    std::map<std::size_t, std::string> byDistance;
    std::string skips;
    for (const HelpDocument::Option& option : allOptions(help)) {
        const std::size_t count = option.arguments.size();
        if (count == 0 || names(option).empty())
            continue;
        skips += "        " + names(option) + ") ((i += " + std::to_string(count) + ")) ;;\n";
        for (std::size_t i = 0; i < count; ++i)
            byDistance[i + 1] += "        " + names(option) + ") " + completionOf(option, i) + "; return ;;\n";
    }
    std::string out = "    local command='' ended='' i\n    for ((i = 1; i < cword; i++)); do\n";
    out += "        [[ -n $ended ]] && continue\n        case ${words[i]} in\n        --) ended=1 ;;\n";
    out += skips + "        -*) ;;\n        *) [[ -z $command ]] && command=${words[i]} ;;\n        esac\n    done\n";
    for (const auto& [distance, cases] : byDistance) {
        out += "    if [[ -z $ended ]] && ((cword > " + std::to_string(distance) + ")); then\n";
        out += "        case ${words[cword-" + std::to_string(distance) + "]} in\n" + cases + "        esac\n    fi\n";
    }
    return out;
}

// Each command's options, and what its other arguments are.
std::string BashCompletion::commandCases(const HelpDocument& help)
{
    std::string out = "    case $command in\n";
    for (const HelpDocument::Command& command : help.commands) {
        std::set<std::string> options;
        for (const HelpDocument::Option& option : command.options) {
            for (const std::string& name : option.names) {
                if (isPlain(name) && name != "--")
                    options.insert(name);
            }
        }
        const bool files = command.usage.find("FILE") != std::string::npos;
        out += "    " + command.name + ")\n";
        out += "        if [[ -z $ended && $cur == -* ]]; then\n";
        out += "            COMPREPLY=($(compgen -W '" + joined(options, " ") + "' -- \"$cur\"))\n";
        out += std::string("        else\n            ") + (files ? "_filedir" : ":") + "\n        fi\n        ;;\n";
    }
    return out + "    esac\n";
}

std::string BashCompletion::write(const HelpDocument& help)
{
    std::set<std::string> commands, options;
    for (const HelpDocument::Command& command : help.commands)
        commands.insert(command.name);
    for (const HelpDocument::Option& option : allOptions(help)) {
        for (const std::string& name : option.names) {
            if (isPlain(name) && name != "--")
                options.insert(name);
        }
    }
    std::string out = "# bash completion for zolsax2, generated from the text of 'zolsax2 --help'.\n";
    out += "_zolsax2()\n{\n    local cur prev words cword\n    _init_completion || return\n\n";
    out += argumentCases(help) + "\n";
    out += "    if [[ -z $command ]]; then\n        if [[ $cur == -* ]]; then\n";
    out += "            COMPREPLY=($(compgen -W '" + joined(options, " ") + "' -- \"$cur\"))\n";
    out += "        else\n            COMPREPLY=($(compgen -W '" + joined(commands, " ") + "' -- \"$cur\"))\n";
    out += "        fi\n        return\n    fi\n";
    out += commandCases(help);
    return out + "} &&\n    complete -F _zolsax2 zolsax2\n";
}

} // namespace zolsax2
