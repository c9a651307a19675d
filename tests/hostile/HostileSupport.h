#ifndef ZOLSAX2_HOSTILE_SUPPORT_H
#define ZOLSAX2_HOSTILE_SUPPORT_H

// Helpers of the hostile-input suite: one call that runs a document through the parser
// (string or file) or the validator and reports everything observable, and a
// child-process runner that bounds time and memory.

#include "TestSupport.h"

#include <ZOLSAX2Parser.h>
#include <ZOLSAX2Validator.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hostile {

// What one parse or validation left behind.
struct Outcome {
    std::string exception; // the ZOLException's message, "" when none was thrown
    bool valid = false;    // the validator's answer
    std::string log;       // testsupport::render of the records
    std::string trace;     // the callbacks' trace (parser only)
};

inline void setText(ZOLString& target, const std::string& bytes)
{
    target.init(bytes.data(), static_cast<long>(bytes.size()));
}

// Runs one parse with a tracing parser and collects what it left behind.
template <typename Parse>
Outcome parseWith(bool secure, Parse parse)
{
    Outcome out;
    testsupport::Traced t;
    t.parser.setSecureProcessing(secure);
    try {
        parse(t.parser);
    } catch (const ZOLException& e) {
        out.exception = e.getMessage().chars();
    }
    out.log = testsupport::render(t.log);
    out.trace = t.trace.str();
    return out;
}

inline Outcome parseString(const std::string& bytes, bool secure)
{
    ZOLString text;
    setText(text, bytes);
    return parseWith(secure, [&](ZOLSAX2Parser& parser) { parser.parseString(text); });
}

inline Outcome parseFile(const std::string& path, bool secure)
{
    return parseWith(secure, [&](ZOLSAX2Parser& parser) { parser.parseFile(ZOLFile(path.c_str())); });
}

// schemaPair is "namespace location", or empty for no configured schema.
inline Outcome validate(const std::string& path, bool secure, const std::string& ns = "",
                        const std::string& schema = "")
{
    Outcome out;
    ZOLMemoryLog log;
    ZOLSAX2Validator validator(&log);
    validator.setSecureProcessing(secure);
    if (!schema.empty())
        validator.addSchemaLocation(ns.c_str(), schema.c_str());
    out.valid = validator.validate(ZOLFile(path.c_str()));
    out.log = testsupport::render(log);
    return out;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool ADDRESS_SANITIZER = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool ADDRESS_SANITIZER = true;
#else
constexpr bool ADDRESS_SANITIZER = false;
#endif
#else
constexpr bool ADDRESS_SANITIZER = false;
#endif

// How a bounded child ended.
struct ChildResult {
    int exitCode = -1;  // the child's exit status, or -1 when it was killed
    int signal = 0;     // the signal that killed it
    double seconds = 0; // wall time
    long maxRssKb = 0;  // peak resident memory
};

// Runs body in a child process limited to seconds of processor time (and twice that of wall
// time) and, where the address sanitizer does not need the address space, to an address
// space of memoryMb; body's result is the exit code.
inline ChildResult runBounded(const std::function<int()>& body, unsigned seconds, unsigned long long memoryMb)
{
    std::fflush(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(2 * seconds);
        struct rlimit cpu;
        cpu.rlim_cur = cpu.rlim_max = seconds;
        setrlimit(RLIMIT_CPU, &cpu);
        if (!ADDRESS_SANITIZER && memoryMb > 0) {
            struct rlimit limit;
            limit.rlim_cur = limit.rlim_max = memoryMb * 1024 * 1024;
            setrlimit(RLIMIT_AS, &limit);
        }
        int code = 99;
        try {
            code = body();
        } catch (...) {
            code = 98;
        }
        std::fflush(nullptr);
        _exit(code);
    }
    ChildResult result;
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.maxRssKb = usage.ru_maxrss;
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

inline std::string describe(const ChildResult& r)
{
    char text[160];
    std::snprintf(text, sizeof text, "exit %d signal %d, %.2f s, peak %ld MB", r.exitCode, r.signal, r.seconds,
                  r.maxRssKb / 1024);
    return text;
}

} // namespace hostile

#endif
