#ifndef BENCHSUPPORT_H
#define BENCHSUPPORT_H

// Shared by the benchmark programs: what every contender counts, how the parse is timed
// and how the result is printed. Each program prints one line that bench/run.sh reads.

#include <chrono>
#include <cstdio>
#include <cstring>

#include <sys/resource.h>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
// Under callgrind (run with --collect-atstart=no) only the parse itself is counted, not
// process start-up or the XML library's initialisation; natively this is a few no-ops.
#define ZOLBENCH_TOGGLE_COLLECT() CALLGRIND_TOGGLE_COLLECT
#else
#define ZOLBENCH_TOGGLE_COLLECT() ((void)0)
#endif

namespace zolbench {

// Touched by every event so that no contender's work can be optimised away.
struct Counts {
    unsigned long long events = 0;
    unsigned long long attributes = 0;
    unsigned long long bytes = 0;
};

// The callbacks of the library, the naive wrapper and expat (their signatures coincide):
// count the event, the attributes and the characters' length, nothing more.
inline void onStartElement(void* userData, const char*, const char** attributes)
{
    auto* counts = static_cast<Counts*>(userData);
    ++counts->events;
    for (const char** a = attributes; *a != nullptr; a += 2)
        ++counts->attributes;
}

inline void onEndElement(void* userData, const char*)
{
    ++static_cast<Counts*>(userData)->events;
}

inline void onCharacters(void* userData, const char*, int length)
{
    auto* counts = static_cast<Counts*>(userData);
    ++counts->events;
    counts->bytes += static_cast<unsigned long long>(length);
}

inline void onProcessingInstruction(void* userData, const char*, const char*)
{
    ++static_cast<Counts*>(userData)->events;
}

// Runs parse once and returns its wall-clock seconds.
template <class Parse>
double timeParse(Parse&& parse)
{
    const auto start = std::chrono::steady_clock::now();
    ZOLBENCH_TOGGLE_COLLECT();
    parse();
    ZOLBENCH_TOGGLE_COLLECT();
    const auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(stop - start).count();
}

// One line: contender, counts, parse seconds and the process's peak RSS in KiB.
inline void report(const char* contender, const Counts& counts, double seconds)
{
    struct rusage usage;
    std::memset(&usage, 0, sizeof usage);
    getrusage(RUSAGE_SELF, &usage);
    std::printf("contender=%s events=%llu attributes=%llu bytes=%llu seconds=%.6f maxrss_kib=%ld\n", contender,
                counts.events, counts.attributes, counts.bytes, seconds, usage.ru_maxrss);
}

} // namespace zolbench

#endif
