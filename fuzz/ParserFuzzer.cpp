// libFuzzer target: parseString of arbitrary bytes with all four callbacks set, by a parser
// that does not listen for skipped entities and by one that does. Everything but the
// skipped-entity calls must be the same from both: a difference is a finding.
//
// Secure processing is on: the input may name any file or URL, and a fuzzer must touch
// neither; it also keeps entity bombs from being reported as timeouts.

#include <ZOLException.h>
#include <ZOLLog.h>
#include <ZOLLogEvent.h>
#include <ZOLSAX2Parser.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Keeps one line per record, so the two parsers' records can be compared.
class TextLog : public ZOLLog {
public:
    void logEvent(const ZOLLogEvent& event) override
    {
        text += event.getCode().chars();
        text += event.getText().chars();
        text += '\n';
    }
    std::string text;
};

// The events of one parse, with the position at each.
struct Sink {
    ZOLSAX2Parser* parser = nullptr;
    std::string events;
    void add(const char* kind, const char* text)
    {
        events += kind;
        events += text;
        events += '@';
        events += parser->getPosition().chars();
        events += '\n';
    }
};

void onStart(void* u, const char* name, const char** attributes)
{
    Sink* s = static_cast<Sink*>(u);
    s->add("(", name);
    for (const char** a = attributes; a[0] != nullptr; a += 2) {
        s->events += a[0];
        s->events += '=';
        s->events += a[1];
        s->events += '\n';
    }
}

void onEnd(void* u, const char* name)
{
    static_cast<Sink*>(u)->add(")", name);
}

void onCharacters(void* u, const char* text, int length)
{
    // The length must match the text up to its NUL.
    if (std::strlen(text) != static_cast<std::size_t>(length))
        __builtin_trap();
    static_cast<Sink*>(u)->add("\"", text);
}

void onPI(void* u, const char* target, const char* data)
{
    Sink* s = static_cast<Sink*>(u);
    s->add("?", target);
    s->events += data;
}

void onSkipped(void*, const char* name)
{
    // A name is never empty.
    if (name[0] == '\0')
        __builtin_trap();
}

// One parser and what it gave for the current input.
struct Subject {
    explicit Subject(bool listen) : parser(&sink, &log, onStart, onEnd, onCharacters, onPI)
    {
        sink.parser = &parser;
        parser.setSecureProcessing(true);
        if (listen)
            parser.setSkippedEntityCallback(onSkipped);
    }
    std::string parse(const ZOLString& text)
    {
        sink.events.clear();
        log.text.clear();
        std::string end = "accepted";
        try {
            parser.parseString(text);
        } catch (const ZOLException& e) {
            // A rejected document is an answer, not a finding.
            end = e.getMessage().chars();
        }
        return sink.events + log.text + end;
    }

    Sink sink;
    TextLog log;
    ZOLSAX2Parser parser;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Subject* plain = new Subject(false);
    static Subject* listening = new Subject(true);
    ZOLString text;
    text.init(reinterpret_cast<const char*>(data), static_cast<long>(size));
    if (plain->parse(text) != listening->parse(text))
        __builtin_trap();
    return 0;
}
