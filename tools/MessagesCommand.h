#ifndef ZOLSAX2_TOOLS_MESSAGESCOMMAND_H
#define ZOLSAX2_TOOLS_MESSAGESCOMMAND_H

#include "Command.h"

namespace zolsax2 {

// zolsax2 messages: the catalogue, one message a line (identifier, code, severity, text),
// or the one message named by identifier or code.
class MessagesCommand : public Command {
public:
    using Command::Command;
    int run() override;
};

} // namespace zolsax2

#endif
