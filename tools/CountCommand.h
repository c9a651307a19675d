#ifndef ZOLSAX2_TOOLS_COUNTCOMMAND_H
#define ZOLSAX2_TOOLS_COUNTCOMMAND_H

#include "Command.h"

namespace zolsax2 {

// zolsax2 count: a table of each input's elements, attributes, bytes of character data and
// processing instructions with the parse's time, on out; a failed input gets a row saying
// so and its records go to err.
class CountCommand : public Command {
public:
    using Command::Command;
    int run() override;
};

} // namespace zolsax2

#endif
