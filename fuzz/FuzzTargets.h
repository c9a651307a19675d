#ifndef ZOLSAX2_FUZZ_TARGETS_H
#define ZOLSAX2_FUZZ_TARGETS_H

// What each libFuzzer target does with one input, shared with the hostile suite, which
// replays stored inputs the same way. Header only: the targets and the suite include it.
//
// Secure targets may meet any file name or URL and must open none. Default-mode targets
// and the schema target (whose schema, being the caller's, may name anything) open what the
// input names, so scripts/fuzz.sh runs them in a network namespace of their own and in an
// empty directory. An input that secure processing stops for entity expansion is not run in
// the default mode, which has no such limit.

#include <ZOLException.h>
#include <ZOLLog.h>
#include <ZOLLogEvent.h>
#include <ZOLSAX2Parser.h>
#include <ZOLSAX2Validator.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace fuzztargets {

// Keeps no record, only whether one said that entity expansion was stopped.
class ExpansionLog : public ZOLLog {
public:
    bool expansionStopped = false;
    void logEvent(const ZOLLogEvent& event) override
    {
        const char* text = event.getText().chars();
        if (std::strstr(text, "entity expansions") != nullptr || std::strstr(text, "amplification limit") != nullptr)
            expansionStopped = true;
    }
};

// A directory of its own for the files the validator reads, removed with its files.
class Scratch {
public:
    Scratch()
    {
        char pattern[] = "/tmp/zolsax2-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made == nullptr ? "/tmp" : made;
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    ~Scratch()
    {
        std::remove(file("doc.xml").c_str());
        std::remove(file("schema.xsd").c_str());
        rmdir(path.c_str());
    }
    std::string file(const char* name) const { return path + "/" + name; }
    bool write(const std::string& target, const void* data, std::size_t size) const
    {
        std::FILE* f = std::fopen(target.c_str(), "wb");
        if (f == nullptr)
            return false;
        const bool ok = std::fwrite(data, 1, size, f) == size;
        return std::fclose(f) == 0 && ok;
    }

private:
    std::string path;
};

// A log that keeps one line per record, and notes whether one said that entity expansion
// was stopped.
class TextLog : public ExpansionLog {
public:
    std::string text;
    void logEvent(const ZOLLogEvent& event) override
    {
        ExpansionLog::logEvent(event);
        text += event.getCode().chars();
        text += event.getText().chars();
        text += '\n';
    }
};

// One parser over parseString with all four callbacks, which check what they receive and
// keep every event with the position at it.
class TracedParser {
public:
    TracedParser(bool secure, bool listen) : parser(this, &log, onStart, onEnd, onCharacters, onPI)
    {
        parser.setSecureProcessing(secure);
        if (listen)
            parser.setSkippedEntityCallback(onSkipped);
    }
    TracedParser(const TracedParser&) = delete;
    TracedParser& operator=(const TracedParser&) = delete;

    // The events, the records and how the parse ended.
    std::string parse(const ZOLString& text)
    {
        events.clear();
        log.text.clear();
        std::string end = "accepted";
        try {
            parser.parseString(text);
        } catch (const ZOLException& e) {
            // A rejected document is an answer, not a finding.
            end = e.getMessage().chars();
        }
        return events + log.text + end;
    }

private:
    static TracedParser& of(void* u) { return *static_cast<TracedParser*>(u); }
    void add(const char* kind, const char* text)
    {
        events += kind;
        events += text;
        events += '@';
        events += parser.getPosition().chars();
        events += '\n';
    }
    static void onStart(void* u, const char* name, const char** attributes)
    {
        TracedParser& t = of(u);
        t.add("(", name);
        for (const char** a = attributes; a[0] != nullptr; a += 2)
            t.events += std::string(a[0]) + "=" + a[1] + "\n";
    }
    static void onEnd(void* u, const char* name) { of(u).add(")", name); }
    static void onCharacters(void* u, const char* text, int length)
    {
        // The length must match the text up to its NUL.
        if (std::strlen(text) != static_cast<std::size_t>(length))
            __builtin_trap();
        of(u).add("\"", text);
    }
    static void onPI(void* u, const char* target, const char* data)
    {
        of(u).add("?", target);
        of(u).events += std::string(data) + "\n";
    }
    static void onSkipped(void*, const char* name)
    {
        // A name is never empty.
        if (name[0] == '\0')
            __builtin_trap();
    }

    std::string events;
    TextLog log;
    ZOLSAX2Parser parser;
};

// parseString by a parser that does not listen for skipped entities and by one that does:
// everything but the skipped-entity calls must be the same from both.
class ParserTarget {
public:
    explicit ParserTarget(bool secure)
        : secure(secure), plain(secure, false), listening(secure, true),
          screen(this, &screenLog, nullptr, nullptr, nullptr, nullptr)
    {
        screen.setSecureProcessing(true);
    }

    void run(const std::uint8_t* data, std::size_t size)
    {
        ZOLString text;
        text.init(reinterpret_cast<const char*>(data), static_cast<long>(size));
        if (!secure) {
            screenLog.expansionStopped = false;
            try {
                screen.parseString(text);
            } catch (const ZOLException&) {
            }
            if (screenLog.expansionStopped)
                return;
        }
        if (plain.parse(text) != listening.parse(text))
            __builtin_trap();
    }

private:
    bool secure;
    TracedParser plain;
    TracedParser listening;
    ExpansionLog screenLog;
    ZOLSAX2Parser screen;
};

// The validator against one fixed schema; validate() reads files only.
class ValidatorTarget {
public:
    explicit ValidatorTarget(bool secure) : secure(secure), validator(&log), screen(&screenLog)
    {
        static const char SCHEMA[] =
            "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:fuzz' xmlns:f='urn:fuzz'"
            " elementFormDefault='qualified'>"
            "<xs:simpleType name='code'><xs:restriction base='xs:string'><xs:pattern value='[A-Z]{2}[0-9]+'/>"
            "</xs:restriction></xs:simpleType>"
            "<xs:complexType name='item'><xs:sequence><xs:element name='name' type='xs:string'/>"
            "<xs:element name='qty' type='xs:positiveInteger' minOccurs='0'/>"
            "<xs:element name='price' type='xs:decimal' minOccurs='0' maxOccurs='3'/></xs:sequence>"
            "<xs:attribute name='code' type='f:code' use='required'/><xs:attribute name='date' type='xs:date'/>"
            "</xs:complexType>"
            "<xs:element name='order'><xs:complexType><xs:choice maxOccurs='unbounded'>"
            "<xs:element name='item' type='f:item'/><xs:element name='note' type='xs:string'/>"
            "<xs:any namespace='##other' processContents='lax'/></xs:choice>"
            "<xs:attribute name='id' type='xs:ID'/></xs:complexType></xs:element>"
            "</xs:schema>";
        const std::string schema = scratch.file("schema.xsd");
        scratch.write(schema, SCHEMA, sizeof SCHEMA - 1);
        for (ZOLSAX2Validator* v : {&validator, &screen})
            v->addSchemaLocation("urn:fuzz", schema.c_str());
        validator.setSecureProcessing(secure);
        screen.setSecureProcessing(true);
    }

    void run(const std::uint8_t* data, std::size_t size)
    {
        const std::string path = scratch.file("doc.xml");
        if (!scratch.write(path, data, size))
            return;
        if (!secure) {
            screenLog.expansionStopped = false;
            screen.validate(ZOLFile(path.c_str()));
            if (screenLog.expansionStopped)
                return;
        }
        validator.validate(ZOLFile(path.c_str()));
    }

private:
    bool secure;
    Scratch scratch;
    ExpansionLog log;
    ZOLSAX2Validator validator;
    ExpansionLog screenLog;
    ZOLSAX2Validator screen;
};

// A schema and a document in one input, split at the first NUL byte; the secure validator
// checks the document against the schema, strictly when the schema's length is odd. A schema
// with an occurrence bound above 9,999 is skipped: the reader builds such content models out
// in full, for minutes and gigabytes (a documented limit of the reader on the caller's own
// schema, not a finding).
class SchemaTarget {
public:
    void run(const std::uint8_t* data, std::size_t size)
    {
        const auto* nul = static_cast<const std::uint8_t*>(std::memchr(data, 0, size));
        const std::size_t schemaSize = nul == nullptr ? size : static_cast<std::size_t>(nul - data);
        const std::string schemaText(reinterpret_cast<const char*>(data), schemaSize);
        if (hasLargeOccurrenceBound(schemaText))
            return;
        const std::uint8_t* document = nul == nullptr ? data + size : nul + 1;
        const std::string schemaPath = scratch.file("schema.xsd");
        const std::string documentPath = scratch.file("doc.xml");
        if (!scratch.write(schemaPath, data, schemaSize) ||
            !scratch.write(documentPath, document, static_cast<std::size_t>(data + size - document)))
            return;
        ExpansionLog log;
        ZOLSAX2Validator validator(&log);
        validator.setSecureProcessing(true);
        validator.setStrictValidation(schemaSize % 2 == 1);
        const std::string targetNamespace =
            targetNamespaceOf(std::string(reinterpret_cast<const char*>(data), schemaSize));
        if (targetNamespace.empty())
            validator.addNoNamespaceSchemaLocation(schemaPath.c_str());
        else
            validator.addSchemaLocation(targetNamespace.c_str(), schemaPath.c_str());
        validator.validate(ZOLFile(documentPath.c_str()));
    }

private:
    // True when a minOccurs or maxOccurs value in the text has more than four digits after
    // its leading zeros.
    static bool hasLargeOccurrenceBound(const std::string& schema)
    {
        for (std::size_t at = schema.find("Occurs"); at != std::string::npos; at = schema.find("Occurs", at + 1)) {
            std::size_t i = at + 6;
            while (i < schema.size() &&
                   (schema[i] == ' ' || schema[i] == '=' || schema[i] == '\'' || schema[i] == '"' ||
                    schema[i] == '\t' || schema[i] == '\r' || schema[i] == '\n' || schema[i] == '0'))
                ++i;
            std::size_t digits = 0;
            while (i + digits < schema.size() && schema[i + digits] >= '0' && schema[i + digits] <= '9')
                ++digits;
            if (digits > 4)
                return true;
        }
        return false;
    }

    // The value of the first targetNamespace attribute in the text, "" when there is none.
    static std::string targetNamespaceOf(const std::string& schema)
    {
        const std::size_t at = schema.find("targetNamespace");
        if (at == std::string::npos)
            return std::string();
        const std::size_t open = schema.find_first_of("'\"", at);
        if (open == std::string::npos)
            return std::string();
        const std::size_t close = schema.find(schema[open], open + 1);
        return close == std::string::npos ? std::string() : schema.substr(open + 1, close - open - 1);
    }

    Scratch scratch;
};

} // namespace fuzztargets

#endif
