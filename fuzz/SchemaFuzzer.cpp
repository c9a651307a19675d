// libFuzzer target: a schema and a document together, split at the first NUL byte, through
// the secure validator (see FuzzTargets.h).

#include "FuzzTargets.h"

#include <cstdlib>

namespace {

fuzztargets::SchemaTarget* target = nullptr;

// Removes the target's scratch directory at exit.
void release()
{
    delete target;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (target == nullptr) {
        target = new fuzztargets::SchemaTarget();
        std::atexit(release);
    }
    target->run(data, size);
    return 0;
}
