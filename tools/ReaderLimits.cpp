#include "ReaderLimits.h"

#include "CommandLine.h"

#include <ZOLSAX2Parser.h>
#include <ZOLSAX2Validator.h>

#include <climits>

namespace zolsax2 {

namespace {

// Both classes take the same settings.
template <typename Reader>
void configure(Reader& reader, const CommandLine& line)
{
    reader.setSecureProcessing(line.secure);
    reader.setAmplificationProtection(!line.huge);
    // --secure --huge: secure processing without the cap, the ratio as the library has it.
    if (line.huge)
        reader.setAmplificationCap(ULLONG_MAX);
}

} // namespace

void ReaderLimits::apply(ZOLSAX2Parser& parser, const CommandLine& line)
{
    configure(parser, line);
}

void ReaderLimits::apply(ZOLSAX2Validator& validator, const CommandLine& line)
{
    configure(validator, line);
}

} // namespace zolsax2
