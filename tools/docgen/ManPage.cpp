#include "ManPage.h"

#include <cctype>
#include <sstream>

namespace zolsax2 {

namespace {

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool isArgument(const std::string& word)
{
    for (char c : word) {
        if (!std::isupper(static_cast<unsigned char>(c)) && c != '_')
            return false;
    }
    return !word.empty();
}

// The NAME line's text: the description's first sentence, as a phrase.
std::string purpose(const std::vector<std::string>& description)
{
    std::string text;
    for (const std::string& line : description)
        text += (text.empty() ? "" : " ") + line;
    text = text.substr(0, text.find(". "));
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

// A section's or an entry's text needs no paragraph macro of its own at its start.
std::string unstarted(const std::string& text)
{
    return text.compare(0, 4, ".PP\n") == 0 || text.compare(0, 4, ".IP\n") == 0 ? text.substr(4) : text;
}

} // namespace

std::string ManPage::escape(const std::string& text)
{
    std::string out = !text.empty() && (text[0] == '.' || text[0] == '\'') ? "\\&" : "";
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    return out;
}

// Option names and the first word bold, argument names italic, the rest as it is.
std::string ManPage::tag(const std::string& term, bool boldFirst)
{
    std::istringstream words(term);
    std::string out;
    for (std::string word; words >> word;) {
        std::string comma = word.size() > 1 && word.back() == ',' ? "," : "";
        if (!comma.empty())
            word.pop_back();
        if (!out.empty())
            out += ' ';
        if ((boldFirst && out.empty()) || word[0] == '-')
            out += "\\fB" + escape(word) + "\\fR";
        else if (isArgument(word))
            out += "\\fI" + escape(word) + "\\fR";
        else
            out += escape(word);
        out += comma;
    }
    return out;
}

// Unindented lines flow into paragraphs; indented runs are kept line for line.
std::string ManPage::prose(const std::vector<std::string>& lines, const std::string& paragraph)
{
    std::string out;
    bool kept = false, fresh = true;
    for (const std::string& line : lines) {
        const bool indented = !line.empty() && line[0] == ' ';
        if (line.empty() || fresh || indented != kept) {
            out += kept ? ".fi\n" : "";
            kept = false;
        }
        if (line.empty()) {
            fresh = true;
            continue;
        }
        if (fresh || indented != kept) {
            out += paragraph + "\n" + (indented ? ".nf\n" : "");
            kept = indented;
            fresh = false;
        }
        out += escape(indented ? line.substr(2) : line) + "\n";
    }
    return out + (kept ? ".fi\n" : "");
}

std::string ManPage::command(const HelpDocument::Command& command)
{
    std::string out = ".TP\n" + tag(command.usage, true) + "\n";
    out += unstarted(prose(command.description, ".IP"));
    std::string names;
    for (const HelpDocument::Option& option : command.options) {
        for (const std::string& name : option.names) {
            if (name != "--")
                names += (names.empty() ? "" : ", ") + ("\\fB" + escape(name) + "\\fR");
        }
    }
    return out + ".IP\nOptions: " + names + ".\n";
}

std::string ManPage::write(const HelpDocument& help, const std::string& version)
{
    std::string out = ".\\\" Generated from the text of 'zolsax2 --help'; edit that text, not this page.\n";
    out += ".TH ZOLSAX2 1 \"\" \"ZOLSAX2Parser " + version + "\" \"User Commands\"\n";
    // Terminal-width lines read better unhyphenated and ragged.
    out += ".nh\n.ad l\n";
    out += ".SH NAME\nzolsax2 \\- " + escape(purpose(help.description)) + "\n";
    out += ".SH SYNOPSIS\n";
    for (const HelpDocument::Command& command : help.commands) {
        const std::string usage = command.usage;
        const std::size_t space = usage.find(' ');
        out += "\\fBzolsax2\\fR " + tag(usage.substr(0, space) + " [OPTIONS]", true) +
               (space == std::string::npos ? "" : " " + tag(usage.substr(space + 1), false)) + "\n.br\n";
    }
    out += "\\fBzolsax2\\fR \\fB\\-\\-help\\fR | \\fB\\-\\-version\\fR\n";
    out += ".SH DESCRIPTION\n" + unstarted(prose(help.description, ".PP"));
    out += ".SH COMMANDS\n";
    for (const HelpDocument::Command& command : help.commands)
        out += ManPage::command(command);
    out += ".SH OPTIONS\n";
    for (const HelpDocument::Section& group : help.optionGroups) {
        out += ".SS " + escape(group.title) + "\n";
        for (const HelpDocument::Entry& entry : group.entries)
            out += ".TP\n" + tag(entry.term, false) + "\n" + escape(entry.text) + "\n";
    }
    for (const HelpDocument::Section& section : help.sections) {
        out += ".SH " + escape(upper(section.title)) + "\n";
        if (section.list && !section.example)
            for (const HelpDocument::Entry& entry : section.entries)
                out += ".TP\n" + tag(entry.term, true) + "\n" + escape(entry.text) + "\n";
        else
            out += unstarted(prose(section.lines, ".PP"));
    }
    return out;
}

} // namespace zolsax2
