#include "HelpDocument.h"

#include <sstream>

namespace zolsax2 {

namespace {

using Lines = std::vector<std::string>;

std::size_t indentOf(const std::string& line)
{
    const std::size_t first = line.find_first_not_of(' ');
    return first == std::string::npos ? line.size() : first;
}

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<Lines> blocksOf(const std::string& text)
{
    std::vector<Lines> blocks(1);
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!trimmed(line).empty())
            blocks.back().push_back(line);
        else if (!blocks.back().empty())
            blocks.emplace_back();
    }
    if (blocks.back().empty())
        blocks.pop_back();
    return blocks;
}

// "Exit status:" alone on its line, unindented.
bool isHeading(const std::string& line)
{
    return !line.empty() && line[0] != ' ' && line.back() == ':' && line.find(": ") == std::string::npos;
}

// Entries start at an indent of two; deeper lines continue the one before.
std::vector<HelpDocument::Entry> entriesOf(Lines::const_iterator begin, Lines::const_iterator end)
{
    std::vector<HelpDocument::Entry> entries;
    for (auto line = begin; line != end; ++line) {
        const std::string text = trimmed(*line);
        if (indentOf(*line) > 2 && !entries.empty()) {
            std::string& last = entries.back().text;
            last += last.empty() ? text : " " + text;
            continue;
        }
        const std::size_t gap = text.find("  ");
        entries.push_back({text.substr(0, gap), gap == std::string::npos ? "" : trimmed(text.substr(gap))});
    }
    return entries;
}

// The prose title: the first word when a colon or a parenthesis follows it.
std::string proseTitle(const std::string& line)
{
    const std::size_t end = line.find_first_of(" :");
    if (end == std::string::npos || line.compare(end, 2, ": ") == 0 || line.compare(end, 2, " (") == 0)
        return line.substr(0, end);
    return "";
}

HelpDocument::Command commandOf(const HelpDocument::Entry& entry, const std::string& help)
{
    HelpDocument::Command command{entry.term.substr(0, entry.term.find(' ')), entry.term, entry.text, {}, {}};
    bool pastOptions = false;
    for (const Lines& block : blocksOf(help)) {
        if (block.front().rfind("Usage:", 0) == 0) {
            command.description.assign(block.begin() + 1, block.end());
        } else if (block.front() == "Options:") {
            pastOptions = true;
            for (const HelpDocument::Entry& option : entriesOf(block.begin() + 1, block.end()))
                command.options.push_back(HelpDocument::optionOf(option));
        } else if (!pastOptions && !isHeading(block.front())) {
            command.description.push_back("");
            command.description.insert(command.description.end(), block.begin(), block.end());
        }
    }
    return command;
}

} // namespace

HelpDocument::Option HelpDocument::optionOf(const Entry& entry)
{
    Option option;
    std::istringstream words(entry.term);
    for (std::string word; words >> word;) {
        if (word[0] == '-')
            option.names.push_back(word.back() == ',' ? word.substr(0, word.size() - 1) : word);
        else
            option.arguments.push_back(word);
    }
    option.text = entry.text;
    return option;
}

HelpDocument HelpDocument::parse(const std::string& fullHelp,
                                 const std::function<std::string(const std::string&)>& commandHelp)
{
    HelpDocument document;
    for (const Lines& block : blocksOf(fullHelp)) {
        const std::string& first = block.front();
        if (first.rfind("Usage: ", 0) == 0) {
            document.synopsis = first.substr(7);
            document.description.assign(block.begin() + 1, block.end());
        } else if (first == "Commands:") {
            for (const Entry& entry : entriesOf(block.begin() + 1, block.end()))
                document.commands.push_back(commandOf(entry, commandHelp(entry.term.substr(0, entry.term.find(' ')))));
        } else if (isHeading(first)) {
            Section section{first.substr(0, first.size() - 1), true, first == "Examples:", {}, {}};
            if (section.example)
                section.lines.assign(block.begin() + 1, block.end());
            else
                section.entries = entriesOf(block.begin() + 1, block.end());
            const bool options = !section.entries.empty() && section.entries.front().term[0] == '-';
            (options ? document.optionGroups : document.sections).push_back(section);
        } else if (proseTitle(first).empty()) {
            document.description.push_back("");
            document.description.insert(document.description.end(), block.begin(), block.end());
        } else {
            document.sections.push_back({proseTitle(first), false, false, {}, block});
        }
    }
    return document;
}

} // namespace zolsax2
