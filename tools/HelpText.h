#ifndef ZOLSAX2_TOOLS_HELPTEXT_H
#define ZOLSAX2_TOOLS_HELPTEXT_H

#include <string>

namespace zolsax2 {

// The texts of --help: the whole story, or one command's usage, options and examples.
class HelpText {
public:
    // zolsax2 --help.
    static std::string full();
    // zolsax2 COMMAND --help, for a command CommandLine knows.
    static std::string of(const std::string& command);
};

} // namespace zolsax2

#endif
