// Inputs the fuzz targets once found troublesome, kept in regressions/ under the name of
// their target: each is replayed as that target runs it, in a bounded child process, and
// must end with an answer, never a crash or a hang. Inputs of the default-mode and schema
// targets may name any host, so their child first takes a network namespace of its own; where
// the system refuses one, they are skipped with a note.

#include "DifferentialTarget.h"
#include "FuzzTargets.h"
#include "HostileSupport.h"

#include <dirent.h>
#include <sched.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

namespace {

constexpr int NO_NETWORK_NAMESPACE = 77;

// How one target runs an input; isolated targets need the network namespace.
struct Replay {
    const char* prefix;
    bool isolated;
    std::function<void(const std::string&)> run;
};

const std::uint8_t* bytesOf(const std::string& s)
{
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

std::vector<Replay> replays()
{
    return {
        {"ZOLSAX2ParserFuzzer-", false,
         [](const std::string& s) { fuzztargets::ParserTarget(true).run(bytesOf(s), s.size()); }},
        {"ZOLSAX2ParserDefaultFuzzer-", true,
         [](const std::string& s) { fuzztargets::ParserTarget(false).run(bytesOf(s), s.size()); }},
        {"ZOLSAX2ValidatorFuzzer-", false,
         [](const std::string& s) { fuzztargets::ValidatorTarget(true).run(bytesOf(s), s.size()); }},
        {"ZOLSAX2ValidatorDefaultFuzzer-", true,
         [](const std::string& s) { fuzztargets::ValidatorTarget(false).run(bytesOf(s), s.size()); }},
        {"ZOLSAX2SchemaFuzzer-", true,
         [](const std::string& s) { fuzztargets::SchemaTarget().run(bytesOf(s), s.size()); }},
        {"ZOLSAX2DifferentialFuzzer-", true,
         [](const std::string& s) { fuzztargets::DifferentialTarget().run(bytesOf(s), s.size()); }},
    };
}

bool enterNetworkNamespace()
{
    return unshare(CLONE_NEWNET) == 0 || unshare(CLONE_NEWUSER | CLONE_NEWNET) == 0;
}

} // namespace

TEST(FuzzRegression, StoredInputsEndCleanly)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(ZOLSAX2_REGRESSIONS_DIR)) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        }
        closedir(d);
    }
    const std::vector<Replay> all = replays();
    for (const std::string& name : names) {
        std::ifstream in(std::string(ZOLSAX2_REGRESSIONS_DIR) + "/" + name, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        const std::string input = bytes.str();
        // An input without a target's name goes through both secure targets.
        std::vector<const Replay*> chosen;
        for (const Replay& r : all)
            if (name.rfind(r.prefix, 0) == 0)
                chosen.push_back(&r);
        if (chosen.empty())
            chosen = {&all[0], &all[2]};
        for (const Replay* r : chosen) {
            const hostile::ChildResult result = hostile::runBounded(
                [&] {
                    if (r->isolated && !enterNetworkNamespace())
                        return NO_NETWORK_NAMESPACE;
                    r->run(input);
                    return 0;
                },
                30, 2048);
            std::printf("[ input    ] %s as %s: %s\n", name.c_str(), r->prefix, hostile::describe(result).c_str());
            if (result.exitCode == NO_NETWORK_NAMESPACE)
                std::printf("[ input    ] skipped: no network namespace for this process\n");
            else
                EXPECT_EQ(0, result.exitCode) << name << " as " << r->prefix << ": " << hostile::describe(result);
        }
    }
    std::printf("[ input    ] %zu stored inputs\n", names.size());
}
