#ifndef ZOLSAX2_TOOLS_DOCGEN_BASHCOMPLETION_H
#define ZOLSAX2_TOOLS_DOCGEN_BASHCOMPLETION_H

#include "HelpDocument.h"

#include <string>

namespace zolsax2 {

// zolsax2's bash completion, from the help texts: the commands, each command's options,
// the fixed values of an option (an argument written text|json, or a text that lists them
// as "text (the default); json: ..."), file names for inputs and for arguments named FILE,
// LIST, LOCATION, PATH, DIR or CATALOG, nothing for other arguments (N, NAMESPACE).
// Needs bash-completion.
class BashCompletion {
public:
    // The whole script, to be sourced by bash-completion.
    static std::string write(const HelpDocument& help);

private:
    static std::string argumentCases(const HelpDocument& help);
    static std::string commandCases(const HelpDocument& help);
};

} // namespace zolsax2

#endif
