#ifndef ZOLSAX2_TOOLS_VALIDATECOMMAND_H
#define ZOLSAX2_TOOLS_VALIDATECOMMAND_H

#include "Command.h"

#include <string>

namespace zolsax2 {

// zolsax2 validate: each input against one schema. Each file's records, then its verdict
// "FILE validates" or "FILE fails to validate", go to out; a count follows when there are
// several files. Standard input is spooled to a temporary file, as the validator reads
// files only.
class ValidateCommand : public Command {
public:
    using Command::Command;
    int run() override;

    // The location to give the validator for the schema the user named: a URL as it is, a
    // local path made absolute (the reader would take it from each document's folder) and
    // percent-encoded where the reader's blank-separated list needs it. Throws
    // CommandLine::UsageError for a local file that does not exist.
    static std::string schemaLocation(const std::string& given);
};

} // namespace zolsax2

#endif
