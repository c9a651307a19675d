#ifndef ZOLSAX2_TOOLS_EVENTSCOMMAND_H
#define ZOLSAX2_TOOLS_EVENTSCOMMAND_H

#include "Command.h"

namespace zolsax2 {

// zolsax2 events: the parser's events of each input as lines on out (or its canonical
// XML), streamed as they come; each input's records and, when it failed, "FILE: failed"
// follow on err. Standard input when no input is named.
class EventsCommand : public Command {
public:
    using Command::Command;
    int run() override;
};

} // namespace zolsax2

#endif
