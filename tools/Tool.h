#ifndef ZOLSAX2_TOOLS_TOOL_H
#define ZOLSAX2_TOOLS_TOOL_H

#include <iosfwd>
#include <string>
#include <vector>

namespace zolsax2 {

// Runs one zolsax2 command line (args without the program name) on the given streams and
// returns its exit status. "-" reads in: the process's standard input is streamed when in
// is std::cin, any other stream is read whole first. Progress is drawn on err only when
// errIsTerminal says err is a terminal.
int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
        bool errIsTerminal = false);

// The text of --version.
std::string versionText();

} // namespace zolsax2

#endif
