// libFuzzer target: the library's events, records and verdict against the raw reader's, in
// both modes, with and without the skipped-entity callback (see DifferentialTarget.h).

#include "DifferentialTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzztargets::DifferentialTarget* target = new fuzztargets::DifferentialTarget();
    target->run(data, size);
    return 0;
}
