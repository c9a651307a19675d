#include "ZOLSAX2DoctypeInsertion.h"

#include <xercesc/util/BinInputStream.hpp>

#include <cstring>

namespace {

bool isNameChar(char c)
{
    return c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '>' && c != '[' && c != '/';
}

// Serves prefix, then the rest of stream.
class InsertingStream : public xercesc::BinInputStream {
public:
    InsertingStream(xercesc::BinInputStream* stream, std::string prefix) : stream(stream), prefix(std::move(prefix)) {}
    ~InsertingStream() override { delete stream; }

    XMLFilePos curPos() const override { return position; }
    XMLSize_t readBytes(XMLByte* const toFill, const XMLSize_t maxToRead) override
    {
        XMLSize_t n = 0;
        if (served < prefix.size()) {
            n = std::min<XMLSize_t>(maxToRead, prefix.size() - served);
            std::memcpy(toFill, prefix.data() + served, n);
            served += n;
        } else {
            n = stream->readBytes(toFill, maxToRead);
        }
        position += n;
        return n;
    }
    const XMLCh* getContentType() const override { return stream->getContentType(); }

private:
    xercesc::BinInputStream* stream;
    std::string prefix;
    std::size_t served = 0;
    XMLFilePos position = 0;
};

} // namespace

bool ZOLSAX2DoctypeInsertion::plan(const std::string& head, const std::string& systemId, std::size_t& offset,
                                   std::string& text)
{
    if (head.size() < 2 || head[0] == '\0' || head[1] == '\0' || static_cast<unsigned char>(head[0]) >= 0xFE ||
        systemId.find('"') != std::string::npos)
        return false;
    // The first '<' that opens neither a declaration, a processing instruction nor a comment.
    std::size_t at = 0;
    std::size_t doctype = std::string::npos;
    while ((at = head.find('<', at)) != std::string::npos) {
        if (head.compare(at, 9, "<!DOCTYPE") == 0) {
            doctype = at;
            break;
        }
        if (head.compare(at, 4, "<!--") == 0) {
            at = head.find("-->", at);
            if (at == std::string::npos)
                return false;
        } else if (head.compare(at, 2, "<?") == 0) {
            at = head.find("?>", at);
            if (at == std::string::npos)
                return false;
        } else {
            break;
        }
    }
    if (at == std::string::npos)
        return false;
    const std::string literal = " SYSTEM \"" + systemId + "\"";
    if (doctype == std::string::npos) {
        std::size_t end = at + 1;
        while (end < head.size() && isNameChar(head[end]))
            ++end;
        if (end == head.size() || end == at + 1)
            return false;
        // Right after the XML declaration, so that the document element's line keeps its
        // positions; before the document element when there is none.
        const std::size_t declaration = head.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
        offset = at;
        if (head.compare(declaration, 6, "<?xml ") == 0 || head.compare(declaration, 6, "<?xml\t") == 0)
            offset = head.find("?>", declaration) + 2;
        text = "<!DOCTYPE " + head.substr(at + 1, end - at - 1) + literal + ">";
        return true;
    }
    // After the DOCTYPE's name: an external identifier means nothing to insert.
    std::size_t name = doctype + 9;
    while (name < head.size() && !isNameChar(head[name]))
        ++name;
    std::size_t end = name;
    while (end < head.size() && isNameChar(head[end]))
        ++end;
    std::size_t next = end;
    while (next < head.size() && (head[next] == ' ' || head[next] == '\t' || head[next] == '\r' || head[next] == '\n'))
        ++next;
    if (next == head.size() || head.compare(next, 6, "SYSTEM") == 0 || head.compare(next, 6, "PUBLIC") == 0)
        return false;
    offset = end;
    text = literal;
    return true;
}

ZOLSAX2DoctypeInsertion::ZOLSAX2DoctypeInsertion(std::unique_ptr<xercesc::InputSource> source, std::size_t at,
                                                 std::string inserted)
    : xercesc::InputSource(source->getSystemId()), inner(std::move(source)), offset(at), text(std::move(inserted))
{
    setPublicId(inner->getPublicId());
    setEncoding(inner->getEncoding());
}

ZOLSAX2DoctypeInsertion::~ZOLSAX2DoctypeInsertion() = default;

xercesc::BinInputStream* ZOLSAX2DoctypeInsertion::makeStream() const
{
    xercesc::BinInputStream* stream = inner->makeStream();
    if (stream == nullptr)
        return nullptr;
    std::string prefix;
    XMLByte buffer[4096];
    XMLSize_t read = 0;
    while (prefix.size() < offset && (read = stream->readBytes(buffer, sizeof buffer)) > 0)
        prefix.append(reinterpret_cast<const char*>(buffer), read);
    if (prefix.size() >= offset)
        prefix.insert(offset, text);
    return new InsertingStream(stream, std::move(prefix));
}
