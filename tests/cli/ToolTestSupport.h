#ifndef ZOLSAX2_TESTS_TOOLTESTSUPPORT_H
#define ZOLSAX2_TESTS_TOOLTESTSUPPORT_H

// Running the zolsax2 tool in-process: the shipped examples, masks for volatile output,
// golden files and transcripts of several runs.

#include <CommandLine.h>
#include <TestSupport.h>
#include <Tool.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tooltest {

const std::string examples = ZOLSAX2_EXAMPLES_DIR;
const std::string hint = "Try 'zolsax2 --help' for more information.\n";
const std::string ns = "urn:example:purchase-order";

inline std::string po(const std::string& name)
{
    return examples + "/purchase-order/" + name;
}

// The project's own folder, from which the tests name files as a user in a checkout would.
inline std::string sourceDir()
{
    return examples.substr(0, examples.rfind('/'));
}

inline std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

// Absolute paths of the checkout become relative to it, timings become words.
inline std::string mask(std::string text)
{
    for (std::size_t at = text.find(examples); at != std::string::npos; at = text.find(examples, at))
        text.replace(at, examples.size(), "examples");
    // A count row's time and rate, "%11.3f %9.2f  " after 41 columns of counts; in the
    // pattern, d stands for a digit or a blank.
    static const std::string timing = " ddddddd.ddd dddddd.dd  ";
    const auto isTiming = [&](std::size_t at) {
        for (std::size_t i = 0; i < timing.size(); ++i) {
            const char c = at + i < text.size() ? text[at + i] : '\n';
            const bool digit = c == ' ' || std::isdigit(static_cast<unsigned char>(c)) != 0;
            if (timing[i] == 'd' ? !digit : c != timing[i])
                return false;
        }
        return true;
    };
    std::size_t line = 0;
    do {
        if (isTiming(line + 41))
            text.replace(line + 41, timing.size(), "  TIME  RATE  ");
        line = text.find('\n', line);
    } while (line++ != std::string::npos);
    return text;
}

struct Result {
    int status;
    std::string out;
    std::string err;
};

inline Result runTool(const std::vector<std::string>& args, const std::string& input = "")
{
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    const int status = zolsax2::run(args, in, out, err);
    return {status, mask(out.str()), mask(err.str())};
}

// args followed by more.
inline std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// The commands as a user would see them run: "$ zolsax2 ARGS", the output, the exit status.
inline std::string transcript(const std::vector<std::vector<std::string>>& commands)
{
    std::string text;
    for (const auto& args : commands) {
        text += "$ zolsax2";
        for (const std::string& arg : args)
            text += " " + (arg.empty() || arg.find(' ') != std::string::npos ? "'" + arg + "'" : arg);
        const Result r = runTool(args);
        text += "\n" + r.out + r.err + "(exit " + std::to_string(r.status) + ")\n\n";
    }
    return text;
}

// The golden file's content; ZOLSAX2_UPDATE_GOLDEN=1 rewrites it with actual instead.
inline std::string golden(const std::string& name, const std::string& actual)
{
    const std::string path = std::string(ZOLSAX2_GOLDEN_DIR) + "/" + name;
    if (std::getenv("ZOLSAX2_UPDATE_GOLDEN") != nullptr)
        std::ofstream(path, std::ios::binary) << actual;
    return readFile(path);
}

} // namespace tooltest

#endif
