#ifndef ZOLSAX2_TOOLS_VALIDATECOMMAND_H
#define ZOLSAX2_TOOLS_VALIDATECOMMAND_H

#include "Command.h"

namespace zolsax2 {

// zolsax2 validate: each input against the schemas named by --schema, and only those: the
// validator is strict (an input whose schema did not load, or whose document element is
// in a namespace no named schema is for, fails) and follows the documents' own schema
// hints only with --follow-hints. The schemas are looked at once before the run and loaded
// once per worker (schema caching). Each file's records, then its verdict "FILE validates"
// or "FILE fails to validate", go to out; a count follows when there are several files.
// Standard input is spooled to a temporary file, as the validator reads files only. With
// several workers, all but the first start validating before the schemas' full constraint
// check is done, and their answers stand only once the first has found the schemas sound.
class ValidateCommand : public Command {
public:
    using Command::Command;
    int run() override;
};

} // namespace zolsax2

#endif
