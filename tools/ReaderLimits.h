#ifndef ZOLSAX2_TOOLS_READERLIMITS_H
#define ZOLSAX2_TOOLS_READERLIMITS_H

class ZOLSAX2Parser;
class ZOLSAX2Validator;

namespace zolsax2 {

struct CommandLine;

// The protection every command gives its parsers and validators: --secure hardens them for
// untrusted input; otherwise the amplification limit and cap apply unless --huge is given, so
// a billion laughs fails quickly as it does in other XML tools, while external entities,
// DTDs and any number of entity references stay allowed.
class ReaderLimits {
public:
    // Configures parser as line asks.
    static void apply(ZOLSAX2Parser& parser, const CommandLine& line);
    // Configures validator as line asks.
    static void apply(ZOLSAX2Validator& validator, const CommandLine& line);
};

} // namespace zolsax2

#endif
