#ifndef ZOLSAX2_TOOLS_CHECKCOMMAND_H
#define ZOLSAX2_TOOLS_CHECKCOMMAND_H

#include "Command.h"

namespace zolsax2 {

// zolsax2 check: whether each input is well-formed. Each file's records, then its verdict
// "FILE: ok" or "FILE: failed", go to out; a count follows when there are several files.
class CheckCommand : public Command {
public:
    using Command::Command;
    int run() override;
};

} // namespace zolsax2

#endif
