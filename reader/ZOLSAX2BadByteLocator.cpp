#include "ZOLSAX2BadByteLocator.h"

#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZOLString.h>
#include <ZSAX.h>

#include <xercesc/sax/SAXParseException.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

enum class Encoding { UTF8, ASCII, UNKNOWN };

// The encoding the start of a document names, as the reader would take it.
Encoding detect(const char* data, std::size_t size, std::size_t& bomLength)
{
    const auto* b = reinterpret_cast<const unsigned char*>(data);
    bomLength = 0;
    if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        bomLength = 3;
        return Encoding::UTF8;
    }
    // UTF-16, UTF-32 and EBCDIC documents start with a zero or a byte above 0x7F.
    if (size >= 2 && (b[0] == 0 || b[1] == 0 || b[0] >= 0x80))
        return b[0] >= 0x80 && b[0] != 0xFE && b[0] != 0xFF && b[0] != 0x4C ? Encoding::UTF8 : Encoding::UNKNOWN;
    const std::string start(data, std::min<std::size_t>(size, 1024));
    if (start.compare(0, 5, "<?xml") != 0)
        return Encoding::UTF8;
    const std::size_t end = start.find("?>");
    const std::size_t at = start.find("encoding", 5);
    if (at == std::string::npos || (end != std::string::npos && at > end))
        return Encoding::UTF8;
    std::size_t i = start.find_first_of("'\"", at);
    if (i == std::string::npos)
        return Encoding::UNKNOWN;
    const std::size_t close = start.find(start[i], i + 1);
    if (close == std::string::npos)
        return Encoding::UNKNOWN;
    std::string name = start.substr(i + 1, close - i - 1);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
    if (name == "UTF-8" || name == "UTF8")
        return Encoding::UTF8;
    if (name == "US-ASCII" || name == "ASCII")
        return Encoding::ASCII;
    return Encoding::UNKNOWN;
}

// Decodes bytes as they come and counts lines and columns, up to the first bad byte.
class Decoder {
public:
    explicit Decoder(Encoding encoding) : encoding(encoding) {}

    // Feeds the next bytes; true once a bad byte is found (finding set).
    bool feed(const unsigned char* b, std::size_t size, ZOLSAX2BadByteLocator::Finding& finding)
    {
        for (std::size_t i = 0; i < size; ++i, ++offset) {
            if (!take(b[i]))
                return found(finding, b[i]);
        }
        return false;
    }
    // At the end of the input: true when it ends inside a sequence.
    bool finish(ZOLSAX2BadByteLocator::Finding& finding) { return needed > 0 && found(finding, lead); }
    // Skips a byte-order mark, which the reader does not count.
    void skip(std::size_t bytes) { offset += bytes; }

private:
    bool take(unsigned char c)
    {
        if (needed > 0) {
            if (c < low || c > high) {
                // The sequence's first byte is the one that cannot decode.
                return false;
            }
            low = 0x80;
            high = 0xBF;
            if (--needed == 0)
                advance(sequenceLength == 4 ? 2 : 1, 0);
            return true;
        }
        startOffset = offset;
        lead = c;
        if (c < 0x80) {
            advance(1, c);
            return true;
        }
        if (encoding == Encoding::ASCII)
            return false;
        return startSequence(c);
    }
    bool startSequence(unsigned char c)
    {
        low = 0x80;
        high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF)
            needed = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            needed = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            needed = 3;
        else
            return false;
        sequenceLength = needed + 1;
        if (c == 0xE0)
            low = 0xA0;
        else if (c == 0xED)
            high = 0x9F;
        else if (c == 0xF0)
            low = 0x90;
        else if (c == 0xF4)
            high = 0x8F;
        return true;
    }
    void advance(long units, unsigned char c)
    {
        if (c == '\n' && lastCR) {
            lastCR = false;
            return;
        }
        lastCR = c == '\r';
        if (c == '\n' || c == '\r') {
            ++line;
            column = 1;
            return;
        }
        column += units;
    }
    bool found(ZOLSAX2BadByteLocator::Finding& finding, unsigned char bad)
    {
        const bool inSequence = needed > 0;
        finding.offset = inSequence ? startOffset : offset;
        finding.line = line;
        finding.column = column;
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned>(inSequence ? lead : bad));
        finding.text = std::string("byte ") + hex + " is not " + (encoding == Encoding::ASCII ? "US-ASCII" : "UTF-8");
        return true;
    }

    Encoding encoding;
    std::size_t offset = 0;
    long line = 1;
    long column = 1;
    bool lastCR = false;
    int needed = 0;
    int sequenceLength = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    unsigned char lead = 0;
    std::size_t startOffset = 0;
};

// The local path a system identifier names ("/x/y.xml" or "file:///x/y.xml"), or empty.
std::string localPath(const std::string& systemId)
{
    if (!systemId.empty() && systemId[0] == '/')
        return systemId;
    const std::string scheme = "file://";
    if (systemId.compare(0, scheme.size(), scheme) != 0)
        return std::string();
    std::string path;
    for (std::size_t i = scheme.size(); i < systemId.size(); ++i) {
        if (systemId[i] == '%' && i + 2 < systemId.size() &&
            std::isxdigit(static_cast<unsigned char>(systemId[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(systemId[i + 2]))) {
            path += static_cast<char>(std::stoi(systemId.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            path += systemId[i];
        }
    }
    return path.empty() || path[0] != '/' ? std::string() : path;
}

// True for the reader's messages of bytes its transcoder could not decode ("invalid byte
// 0xFF at position 1 of a 6-byte sequence", "an invalid multi-byte source text sequence").
bool isEncodingMessage(const XMLCh* message)
{
    std::string text = message == nullptr ? "" : ZOLString(message).chars();
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text.find("byte") != std::string::npos || text.find("transcod") != std::string::npos ||
           text.find("sequence") != std::string::npos || text.find("representable") != std::string::npos;
}

} // namespace

bool ZOLSAX2BadByteLocator::locate(const char* data, std::size_t size, Finding& finding)
{
    std::size_t bom = 0;
    const Encoding encoding = detect(data, size, bom);
    if (encoding == Encoding::UNKNOWN)
        return false;
    Decoder decoder(encoding);
    decoder.skip(bom);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    return decoder.feed(bytes + bom, size - bom, finding) || decoder.finish(finding);
}

bool ZOLSAX2BadByteLocator::locateFile(const std::string& path, Finding& finding)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<char> block(1 << 16);
    file.read(block.data(), static_cast<std::streamsize>(block.size()));
    std::size_t got = static_cast<std::size_t>(file.gcount());
    std::size_t bom = 0;
    const Encoding encoding = detect(block.data(), got, bom);
    if (!file.is_open() || encoding == Encoding::UNKNOWN)
        return false;
    Decoder decoder(encoding);
    decoder.skip(bom);
    std::size_t from = bom;
    while (got > 0) {
        if (decoder.feed(reinterpret_cast<const unsigned char*>(block.data()) + from, got - from, finding))
            return true;
        from = 0;
        file.read(block.data(), static_cast<std::streamsize>(block.size()));
        got = static_cast<std::size_t>(file.gcount());
    }
    return decoder.finish(finding);
}

void ZOLSAX2BadByteLocator::setMemory(const char* data, std::size_t size, const char* name)
{
    memory = data;
    memorySize = size;
    memoryName = name == nullptr ? "" : name;
}

bool ZOLSAX2BadByteLocator::relocate(const xercesc::SAXParseException& exc, ZOLLog& log) const
{
    if (!isEncodingMessage(exc.getMessage()))
        return false;
    const std::string systemId = exc.getSystemId() == nullptr ? "" : ZOLString(exc.getSystemId()).chars();
    Finding finding;
    bool found = false;
    if (memory != nullptr && systemId == memoryName) {
        found = locate(memory, memorySize, finding);
    } else {
        const std::string path = localPath(systemId);
        found = !path.empty() && locateFile(path, finding);
    }
    // A bad first byte: the input is not XML at all. A bad byte before the reported
    // position: the reader decoded past it, so the error is another one.
    const long line = static_cast<long>(exc.getLineNumber());
    const long column = static_cast<long>(exc.getColumnNumber());
    if (!found || finding.offset == 0 || finding.line < line || (finding.line == line && finding.column < column))
        return false;
    const ZOLLogLocation location(ZOLString(systemId.c_str()), finding.line, finding.column, ZOLLogEvent::LEVEL_FATAL);
    ZSAX::SAX_PARSE_ERROR.logAt(log, location, ZOLString(finding.line), ZOLString(finding.column),
                                ZOLString(finding.text.c_str()));
    return true;
}
