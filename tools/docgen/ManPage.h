#ifndef ZOLSAX2_TOOLS_DOCGEN_MANPAGE_H
#define ZOLSAX2_TOOLS_DOCGEN_MANPAGE_H

#include "HelpDocument.h"

#include <string>
#include <vector>

namespace zolsax2 {

// zolsax2(1) in roff's man macros, from the help texts: NAME, SYNOPSIS, DESCRIPTION,
// COMMANDS, OPTIONS, then the help's other blocks in order (DIAGNOSTICS, EXIT STATUS,
// ENVIRONMENT, EXAMPLES ...).
class ManPage {
public:
    // The whole page; version goes into its header line.
    static std::string write(const HelpDocument& help, const std::string& version);
    // text safe on a roff line: backslashes and minus signs escaped, a leading control
    // character neutralised.
    static std::string escape(const std::string& text);

private:
    static std::string tag(const std::string& term, bool boldFirst);
    static std::string prose(const std::vector<std::string>& lines, const std::string& paragraph);
    static std::string command(const HelpDocument::Command& command);
};

} // namespace zolsax2

#endif
