#ifndef ZOLSAX2_TOOLS_RESOLVECOMMAND_H
#define ZOLSAX2_TOOLS_RESOLVECOMMAND_H

#include "Command.h"

namespace zolsax2 {

// zolsax2 resolve: what each public identifier, system identifier or URI resolves to
// through the XML catalogs, one line each, as xmlcatalog prints it.
class ResolveCommand : public Command {
public:
    using Command::Command;
    int run() override;
};

} // namespace zolsax2

#endif
