// libFuzzer target: the validator against one fixed schema, in secure mode, or in the
// default mode when built with ZOLSAX2_FUZZ_DEFAULT_MODE (see FuzzTargets.h).

#include "FuzzTargets.h"

#include <cstdlib>

#ifdef ZOLSAX2_FUZZ_DEFAULT_MODE
constexpr bool SECURE = false;
#else
constexpr bool SECURE = true;
#endif

namespace {

fuzztargets::ValidatorTarget* target = nullptr;

// Removes the target's scratch directory at exit.
void release()
{
    delete target;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (target == nullptr) {
        target = new fuzztargets::ValidatorTarget(SECURE);
        std::atexit(release);
    }
    target->run(data, size);
    return 0;
}
