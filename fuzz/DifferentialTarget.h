#ifndef ZOLSAX2_FUZZ_DIFFERENTIALTARGET_H
#define ZOLSAX2_FUZZ_DIFFERENTIALTARGET_H

// The library against the reader it wraps: what one input gives through parseString, in the
// default mode and in secure processing, each with and without the skipped-entity callback,
// must equal what a raw Xerces SAX2 reader with the parser's nine features gives: the same
// start tags with their attributes, end tags and processing instructions at the same
// positions, the same text between them (adjacent runs merged, since either side may split
// a run anywhere), the same records (level, position, message) and the same verdict.
//
// Differences the library means to make are left out, not compared: a secure parse that
// refused an external entity or stopped entity expansion. An input that secure processing
// stops for expansion is not run in the default mode or through the raw reader, which have
// no such limit. The raw reader opens what the input names, as the default mode does, so
// scripts/fuzz.sh runs this target in a network namespace of its own and an empty directory.
// Header only: the target and the hostile suite, which replays stored inputs, include it.

#include <ZOLException.h>
#include <ZOLLog.h>
#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZOLSAX2Parser.h>
#include <ZSAX.h>

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace fuzztargets {

// Events as both sides write them: one line each, text merged until the next other event.
class DifferentialTrace {
public:
    void text(const std::string& utf8) { pendingText += utf8; }
    void event(const std::string& line)
    {
        flushText();
        lines += line;
        lines += '\n';
    }
    // The events so far, text included; clears them.
    std::string take()
    {
        flushText();
        std::string result;
        result.swap(lines);
        return result;
    }

private:
    void flushText()
    {
        if (pendingText.empty())
            return;
        lines += "\"" + pendingText + "\n";
        pendingText.clear();
    }

    std::string lines;
    std::string pendingText;
};

// UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD, so that it shows as a difference
// rather than as undefined bytes.
inline std::string utf8Of(const XMLCh* text, std::size_t length)
{
    std::string out;
    for (std::size_t i = 0; i < length; ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

inline std::string utf8Of(const XMLCh* text)
{
    std::size_t length = 0;
    while (text != nullptr && text[length] != 0)
        ++length;
    return utf8Of(text, length);
}

// A record as both sides write it. The library logs a fatal error at 1:1 with a message of
// its own that carries no reader text, so there both sides write only the position.
inline std::string recordLine(int level, long line, long column, const std::string& message)
{
    std::string result = "!" + std::to_string(level) + " " + std::to_string(line) + ":" + std::to_string(column);
    if (!(level == ZOLLogEvent::LEVEL_FATAL && line == 1 && column == 1))
        result += " " + message;
    return result;
}

// The raw reader, configured as the parser configures its own, writing the trace.
class RawReader : public xercesc::DefaultHandler {
public:
    RawReader() : reader(xercesc::XMLReaderFactory::createXMLReader())
    {
        reader->setFeature(xercesc::XMLUni::fgXercesSchema, false);
        reader->setFeature(xercesc::XMLUni::fgSAX2CoreValidation, false);
        reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, false);
        reader->setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, false);
        reader->setFeature(xercesc::XMLUni::fgXercesDynamic, false);
        reader->setFeature(xercesc::XMLUni::fgXercesSchemaFullChecking, false);
        reader->setFeature(xercesc::XMLUni::fgXercesIdentityConstraintChecking, false);
        reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpacePrefixes, false);
        reader->setFeature(xercesc::XMLUni::fgXercesCalculateSrcOfs, true);
        reader->setContentHandler(this);
        reader->setErrorHandler(this);
    }

    // Events, records and verdict, in the library's words.
    std::string parse(const std::uint8_t* data, std::size_t size)
    {
        errorSeen = false;
        locator = nullptr;
        std::string end = "accepted";
        xercesc::MemBufInputSource source(data, size, "memory", false);
        try {
            reader->parse(source);
            if (errorSeen)
                end = ZSAX::XML_PARSE_FAILED.getMessage("memory").chars();
        } catch (const xercesc::OutOfMemoryException&) {
            end = ZSAX::XERCES_OUT_OF_MEMORY.getMessage().chars();
            // The reader cannot parse again after this.
            broken = true;
        } catch (const xercesc::XMLException& e) {
            end = ZSAX::XERCES_XML_EXCEPTION.getMessage(ZOLString(e.getMessage())).chars();
        }
        return trace.take() + end;
    }

    // Whether the reader ran out of memory and must be replaced.
    bool broken = false;

    void setDocumentLocator(const xercesc::Locator* const documentLocator) override { locator = documentLocator; }
    void startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname,
                      const xercesc::Attributes& attributes) override
    {
        std::string line = "(" + utf8Of(qname) + "@" + position();
        for (XMLSize_t i = 0; i < attributes.getLength(); ++i)
            line += "\n " + utf8Of(attributes.getQName(i)) + "=" + utf8Of(attributes.getValue(i));
        trace.event(line);
    }
    void endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname) override
    {
        trace.event(")" + utf8Of(qname) + "@" + position());
    }
    void characters(const XMLCh* const text, const XMLSize_t length) override
    {
        pendingUtf16.append(text, length);
        flushableText();
    }
    void ignorableWhitespace(const XMLCh* const text, const XMLSize_t length) override { characters(text, length); }
    void processingInstruction(const XMLCh* const target, const XMLCh* const data) override
    {
        trace.event("?" + utf8Of(target) + " " + utf8Of(data) + "@" + position());
    }
    void warning(const xercesc::SAXParseException& e) override { record(ZOLLogEvent::LEVEL_WARNING, e); }
    void error(const xercesc::SAXParseException& e) override
    {
        record(ZOLLogEvent::LEVEL_ERROR, e);
        errorSeen = true;
    }
    void fatalError(const xercesc::SAXParseException& e) override
    {
        record(ZOLLogEvent::LEVEL_FATAL, e);
        errorSeen = true;
    }

private:
    // Text goes to the trace whole code points at a time: a pair split over two runs waits.
    void flushableText()
    {
        std::size_t keep = 0;
        if (!pendingUtf16.empty() && pendingUtf16.back() >= 0xD800 && pendingUtf16.back() <= 0xDBFF)
            keep = 1;
        trace.text(utf8Of(pendingUtf16.data(), pendingUtf16.size() - keep));
        pendingUtf16.erase(0, pendingUtf16.size() - keep);
    }
    std::string position() const
    {
        if (locator == nullptr)
            return std::string();
        return std::to_string(locator->getLineNumber()) + ":" + std::to_string(locator->getColumnNumber());
    }
    void record(int level, const xercesc::SAXParseException& e)
    {
        // A half pair held back is text before the record, as the library sends it.
        if (!pendingUtf16.empty()) {
            trace.text(utf8Of(pendingUtf16.data(), pendingUtf16.size()));
            pendingUtf16.clear();
        }
        trace.event(recordLine(level, static_cast<long>(e.getLineNumber()), static_cast<long>(e.getColumnNumber()),
                               utf8Of(e.getMessage())));
    }

    std::unique_ptr<xercesc::SAX2XMLReader> reader;
    const xercesc::Locator* locator = nullptr;
    bool errorSeen = false;
    std::u16string pendingUtf16;
    DifferentialTrace trace;
};

// One library parser writing the same trace; records go into it as they are logged.
class LibraryParser : public ZOLLog {
public:
    LibraryParser(bool secure, bool listen) : parser(this, this, onStart, onEnd, onCharacters, onPI)
    {
        parser.setSecureProcessing(secure);
        if (listen)
            parser.setSkippedEntityCallback(onSkipped);
    }
    LibraryParser(const LibraryParser&) = delete;
    LibraryParser& operator=(const LibraryParser&) = delete;

    // Whether the last parse refused something or stopped entity expansion, as secure
    // processing does on purpose.
    bool intended = false;
    // Whether that was a stop of entity expansion.
    bool expansionStopped = false;

    std::string parse(const std::uint8_t* data, std::size_t size)
    {
        intended = false;
        expansionStopped = false;
        ZOLString text;
        text.init(reinterpret_cast<const char*>(data), static_cast<long>(size));
        std::string end = "accepted";
        try {
            parser.parseString(text);
        } catch (const ZOLException& e) {
            end = e.getMessage().chars();
        }
        return trace.take() + end;
    }

    void logEvent(const ZOLLogEvent& event) override
    {
        const std::string text = event.getText().chars();
        if (text.find("entity expansions") != std::string::npos ||
            text.find("amplification limit") != std::string::npos ||
            text.find("default attributes produced") != std::string::npos)
            expansionStopped = intended = true;
        if (text.find("refused") != std::string::npos)
            intended = true;
        const ZOLLogLocation* location = event.getLocation();
        if (location == nullptr) {
            trace.event("! " + text);
            return;
        }
        // The reader's message follows the catalogue's "(line:column): ".
        const std::size_t colon = text.find("): ");
        const std::string message = colon == std::string::npos ? text : text.substr(colon + 3);
        trace.event(recordLine(location->getReportedLevel(), location->getLine(), location->getColumn(), message));
    }

private:
    static LibraryParser& of(void* u) { return *static_cast<LibraryParser*>(u); }
    static void onStart(void* u, const char* name, const char** attributes)
    {
        LibraryParser& p = of(u);
        std::string line = std::string("(") + name + "@" + p.parser.getPosition().chars();
        for (const char** a = attributes; a[0] != nullptr; a += 2)
            line += std::string("\n ") + a[0] + "=" + a[1];
        p.trace.event(line);
    }
    static void onEnd(void* u, const char* name)
    {
        of(u).trace.event(std::string(")") + name + "@" + of(u).parser.getPosition().chars());
    }
    static void onCharacters(void* u, const char* text, int length)
    {
        of(u).trace.text(std::string(text, static_cast<std::size_t>(length)));
    }
    static void onPI(void* u, const char* target, const char* data)
    {
        of(u).trace.event(std::string("?") + target + " " + data + "@" + of(u).parser.getPosition().chars());
    }
    static void onSkipped(void*, const char*) {}

    DifferentialTrace trace;
    ZOLSAX2Parser parser;
};

// The four library parsers and the raw reader over one input; a difference traps, after
// printing both sides to standard error.
class DifferentialTarget {
public:
    DifferentialTarget()
        : securePlain(true, false), secureListening(true, true), defaultPlain(false, false),
          defaultListening(false, true)
    {}

    void run(const std::uint8_t* data, std::size_t size)
    {
        const std::string secure = securePlain.parse(data, size);
        compare("secure, with the callback", secure, secureListening.parse(data, size));
        if (securePlain.expansionStopped)
            return;
        const std::string raw = rawReader().parse(data, size);
        if (!securePlain.intended)
            compare("secure", raw, secure);
        compare("default", raw, defaultPlain.parse(data, size));
        compare("default, with the callback", raw, defaultListening.parse(data, size));
    }

private:
    // Made after the library's objects, so Xerces is up.
    RawReader& rawReader()
    {
        if (!raw || raw->broken)
            raw = std::make_unique<RawReader>();
        return *raw;
    }

    static void compare(const char* what, const std::string& expected, const std::string& actual)
    {
        if (expected == actual)
            return;
        std::fprintf(stderr, "== difference (%s)\n-- expected:\n%s\n-- library:\n%s\n", what, expected.c_str(),
                     actual.c_str());
        __builtin_trap();
    }

    LibraryParser securePlain;
    LibraryParser secureListening;
    LibraryParser defaultPlain;
    LibraryParser defaultListening;
    std::unique_ptr<RawReader> raw;
};

} // namespace fuzztargets

#endif
