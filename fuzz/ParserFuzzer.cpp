// libFuzzer target: parseString of arbitrary bytes with all four callbacks set.
//
// Secure processing is on: the input may name any file or URL, and a fuzzer must touch
// neither; it also keeps entity bombs from being reported as timeouts.

#include <ZOLException.h>
#include <ZOLLog.h>
#include <ZOLSAX2Parser.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// Drops every record, so the log does not grow over millions of inputs.
class NullLog : public ZOLLog {
public:
    void logEvent(const ZOLLogEvent&) override {}
};

struct Sink {
    ZOLSAX2Parser* parser = nullptr;
    std::size_t bytes = 0;
};

void onStart(void* u, const char* name, const char** attributes)
{
    Sink* s = static_cast<Sink*>(u);
    s->bytes += std::strlen(name) + s->parser->getPosition().length();
    for (const char** a = attributes; a[0] != nullptr; a += 2)
        s->bytes += std::strlen(a[0]) + std::strlen(a[1]);
}

void onEnd(void* u, const char* name)
{
    static_cast<Sink*>(u)->bytes += std::strlen(name);
}

void onCharacters(void* u, const char* text, int length)
{
    // The length must match the text up to its NUL.
    if (std::strlen(text) != static_cast<std::size_t>(length))
        __builtin_trap();
    static_cast<Sink*>(u)->bytes += static_cast<std::size_t>(length);
}

void onPI(void* u, const char* target, const char* data)
{
    static_cast<Sink*>(u)->bytes += std::strlen(target) + std::strlen(data);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static NullLog log;
    static Sink sink;
    static ZOLSAX2Parser* parser = [] {
        auto* p = new ZOLSAX2Parser(&sink, &log, onStart, onEnd, onCharacters, onPI);
        p->setSecureProcessing(true);
        return p;
    }();
    sink.parser = parser;
    ZOLString text;
    text.init(reinterpret_cast<const char*>(data), static_cast<long>(size));
    try {
        parser->parseString(text);
    } catch (const ZOLException&) {
        // A rejected document is an answer, not a finding.
    }
    return 0;
}
