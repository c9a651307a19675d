// The manual page and the completion are written from the help texts: the texts must be read
// back whole, and what is written from them must be valid roff and bash.
#include "BashCompletion.h"
#include "HelpDocument.h"
#include "HelpText.h"
#include "ManPage.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using zolsax2::BashCompletion;
using zolsax2::HelpDocument;
using zolsax2::HelpText;
using zolsax2::ManPage;

const char* const FULL = R"(Usage: t COMMAND [OPTIONS] [FILE...]
Tests things. Options may
come anywhere.

Commands:
  run FILE...           run each file
  show --as FORMAT ID...
                        show each ID

Inputs:
  -q, --quiet           say less,
                        much less
  --as text|json        the output format
  --style STYLE         plain (the default); rich: with colours; bare:
                        nothing
  --jobs N              work on N files at once

Trailing prose without a title.

Diagnostics (all commands): one line each,
  .dot and \back

Exit status:
  0  fine
  1  not fine,
     at all

Examples:
  t run x
)";

std::string commandHelp(const std::string& name)
{
    if (name == "run")
        return "Usage: t run [OPTIONS] FILE...\nRuns.\n  indented\n\nOptions:\n  -q, --quiet   less\n\nExamples:\n  t "
               "run x\n";
    return "Usage: t show [OPTIONS] ID...\nShows.\n\nOptions:\n  --as text|json  format\n";
}

std::string trace(const HelpDocument& help)
{
    std::string out = help.synopsis + "/" + std::to_string(help.description.size());
    for (const HelpDocument::Command& command : help.commands) {
        out += "/c:" + command.name + "=" + command.summary + "(" + std::to_string(command.description.size()) + ")";
        for (const HelpDocument::Option& option : command.options)
            out += ":" + option.names.back();
    }
    for (const HelpDocument::Section& group : help.optionGroups) {
        for (const HelpDocument::Entry& entry : group.entries) {
            const HelpDocument::Option option = HelpDocument::optionOf(entry);
            out += "/o:" + option.names.front() + (option.arguments.empty() ? "" : " " + option.arguments[0]) + "=" +
                   option.text;
        }
    }
    for (const HelpDocument::Section& section : help.sections)
        out += "/s:" + section.title + (section.list ? "#" : "") +
               std::to_string(section.entries.size() + section.lines.size());
    return out;
}

// Lines of the help text that start an option's entry: "  -x" or "  --name".
int optionLines(const std::string& text)
{
    std::istringstream in(text);
    int count = 0;
    for (std::string line; std::getline(in, line);)
        count += line.rfind("  -", 0) == 0 ? 1 : 0;
    return count;
}

TEST(HelpDocument, ReadsCommandsOptionsAndSections)
{
    EXPECT_EQ(
        "t COMMAND [OPTIONS] [FILE...]/4/c:run=run each file(2):--quiet/c:show=show each ID(1):--as"
        "/o:-q=say less, much less/o:--as text|json=the output format"
        "/o:--style STYLE=plain (the default); rich: with colours; bare: nothing/o:--jobs N=work on N files at once"
        "/s:Diagnostics2/s:Exit status#2/s:Examples#1",
        trace(HelpDocument::parse(FULL, commandHelp)));
}

TEST(HelpDocument, ReadsEveryCommandAndOptionOfTheTool)
{
    const HelpDocument help = HelpDocument::parse(HelpText::full(), HelpText::of);
    int options = 0;
    for (const HelpDocument::Section& group : help.optionGroups)
        options += static_cast<int>(group.entries.size());
    EXPECT_EQ(optionLines(HelpText::full()), options);
    ASSERT_FALSE(help.commands.empty());
    for (const HelpDocument::Command& command : help.commands) {
        EXPECT_EQ(optionLines(HelpText::of(command.name)), static_cast<int>(command.options.size())) << command.name;
        EXPECT_FALSE(command.description.empty()) << command.name;
    }
}

TEST(ManPage, EscapesWhatRoffWouldReadAsControl)
{
    const struct {
        const char* text;
        const char* roff;
    } cases[] = {
        {"plain text", "plain text"},
        {"--files-from", "\\-\\-files\\-from"},
        {".starts with a dot", "\\&.starts with a dot"},
        {"'quoted", "\\&'quoted"},
        {"a\\b", "a\\eb"},
        {"mid.dle 'x'", "mid.dle 'x'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.roff, ManPage::escape(c.text)) << c.text;
}

TEST(BashCompletion, OffersTheFixedValuesOfAnArgument)
{
    const std::string script = BashCompletion::write(HelpDocument::parse(FULL, commandHelp));
    const char* const cases[] = {
        "--as) COMPREPLY=($(compgen -W 'json text' -- \"$cur\")); return ;;",
        "--style) COMPREPLY=($(compgen -W 'bare plain rich' -- \"$cur\")); return ;;",
        "--jobs) :; return ;;",
        "compgen -W 'run show'",
    };
    for (const char* expected : cases)
        EXPECT_NE(std::string::npos, script.find(expected)) << expected << " in\n" << script;
}

} // namespace
