// libFuzzer target: parseString of arbitrary bytes with all four callbacks set, by a parser
// that does not listen for skipped entities and by one that does, in secure mode, or in the
// default mode when built with ZOLSAX2_FUZZ_DEFAULT_MODE (see FuzzTargets.h).

#include "FuzzTargets.h"

#ifdef ZOLSAX2_FUZZ_DEFAULT_MODE
constexpr bool SECURE = false;
#else
constexpr bool SECURE = true;
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzztargets::ParserTarget* target = new fuzztargets::ParserTarget(SECURE);
    target->run(data, size);
    return 0;
}
