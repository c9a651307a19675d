#include "ZOLSAX2DocumentSource.h"

#include "ZOLSAX2Locations.h"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/InputSource.hpp>
#include <xercesc/util/BinInputStream.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLExceptMsgs.hpp>
#include <xercesc/util/XMLString.hpp>

namespace {

// The caller's read function as the reader's byte stream. A failed read is the reader's own
// exception for a file it cannot read, which it reports as a fatal error at the position
// reached.
class ReadFunctionStream : public xercesc::BinInputStream {
public:
    ReadFunctionStream(ZOLSAX2ReadFunction read, void* context, const ZOLString& systemId)
        : read(read), context(context), systemId(systemId)
    {}

    XMLFilePos curPos() const override { return position; }
    XMLSize_t readBytes(XMLByte* const toFill, const XMLSize_t maxToRead) override
    {
        if (ended)
            return 0;
        const long got = read(context, reinterpret_cast<char*>(toFill), static_cast<unsigned long>(maxToRead));
        if (got < 0 || static_cast<unsigned long>(got) > maxToRead)
            ThrowXML1(xercesc::XMLPlatformUtilsException, xercesc::XMLExcepts::File_CouldNotReadFromFile,
                      systemId.wchars());
        ended = got == 0;
        position += static_cast<XMLFilePos>(got);
        return static_cast<XMLSize_t>(got);
    }
    const XMLCh* getContentType() const override { return nullptr; }

private:
    ZOLSAX2ReadFunction read;
    void* context;
    ZOLString systemId;
    XMLFilePos position = 0;
    // The function said the document ended: it is not asked again.
    bool ended = false;
};

class ReadFunctionSource : public xercesc::InputSource {
public:
    ReadFunctionSource(ZOLSAX2ReadFunction read, void* context, const ZOLString& systemId)
        : xercesc::InputSource(systemId.wchars()), read(read), context(context), systemId(systemId)
    {}
    xercesc::BinInputStream* makeStream() const override { return new ReadFunctionStream(read, context, systemId); }

private:
    ZOLSAX2ReadFunction read;
    void* context;
    ZOLString systemId;
};

} // namespace

ZOLSAX2DocumentSource ZOLSAX2DocumentSource::file(const ZOLString& path)
{
    ZOLSAX2DocumentSource source;
    source.path = path;
    return source;
}

ZOLSAX2DocumentSource ZOLSAX2DocumentSource::memory(const char* bytes, std::size_t length, const ZOLString& systemId)
{
    ZOLSAX2DocumentSource source;
    source.kind = Kind::MEMORY;
    source.path = systemId;
    source.bytes = bytes;
    source.length = length;
    return source;
}

ZOLSAX2DocumentSource ZOLSAX2DocumentSource::stream(ZOLSAX2ReadFunction read, void* context, const ZOLString& systemId)
{
    ZOLSAX2DocumentSource source;
    source.kind = Kind::STREAM;
    source.path = systemId;
    source.read = read;
    source.context = context;
    return source;
}

std::unique_ptr<xercesc::InputSource> ZOLSAX2DocumentSource::open() const
{
    if (kind == Kind::FILE)
        return ZOLSAX2Locations::openSource(path);
    // The identifier the reader would give the same bytes in a file.
    const ZOLString systemId = path.isEmpty() ? path : ZOLSAX2Locations::documentBase(path);
    if (kind == Kind::MEMORY)
        return std::make_unique<xercesc::MemBufInputSource>(reinterpret_cast<const XMLByte*>(bytes), length,
                                                            systemId.wchars(), false);
    return std::make_unique<ReadFunctionSource>(read, context, systemId);
}
