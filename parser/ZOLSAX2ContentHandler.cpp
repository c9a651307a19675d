#include "ZOLSAX2ContentHandler.h"

#include <xercesc/sax2/Attributes.hpp>

#include <memory>
#include <new>
#include <type_traits>

ZOLString longToString(long value)
{
    return ZOLString(value);
}

ZOLSAX2ContentHandler::ZOLSAX2ContentHandler(void* userData, StartElementCallback startElementCallback,
                                             EndElementCallback endElementCallback,
                                             CharactersCallback charactersCallback,
                                             ProcessingInstructionCallback processingInstructionCallback)
    : parsing(false), userData(userData), startElementCallback(startElementCallback),
      endElementCallback(endElementCallback), charactersCallback(charactersCallback),
      processingInstructionCallback(processingInstructionCallback), locator(nullptr)
{
}

ZOLSAX2ContentHandler::~ZOLSAX2ContentHandler() = default;

void ZOLSAX2ContentHandler::characters(const XMLCh* const chars, const XMLSize_t)
{
    if (charactersCallback == nullptr)
        return;
    // The text is taken up to its NUL, which is where the reader ends every run.
    const ZOLString text(chars);
    charactersCallback(userData, text.chars(), static_cast<int>(text.length()));
}

void ZOLSAX2ContentHandler::endDocument() {}

void ZOLSAX2ContentHandler::endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname)
{
    if (endElementCallback == nullptr)
        return;
    const ZOLString name(qname);
    endElementCallback(userData, name.chars());
}

void ZOLSAX2ContentHandler::ignorableWhitespace(const XMLCh* const, const XMLSize_t) {}

void ZOLSAX2ContentHandler::processingInstruction(const XMLCh* const target, const XMLCh* const data)
{
    if (processingInstructionCallback == nullptr)
        return;
    const ZOLString t(target);
    const ZOLString d(data);
    processingInstructionCallback(userData, t.chars(), d.chars());
}

void ZOLSAX2ContentHandler::setDocumentLocator(const xercesc::Locator* const documentLocator)
{
    locator = documentLocator;
}

void ZOLSAX2ContentHandler::startDocument() {}

namespace {

// 2n strings in storage the caller provides; destroyed in reverse order on every way out.
class AttributeStrings {
public:
    AttributeStrings(ZOLString* storage) : strings(storage), built(0) {}
    AttributeStrings(const AttributeStrings&) = delete;
    AttributeStrings& operator=(const AttributeStrings&) = delete;
    ~AttributeStrings()
    {
        while (built > 0)
            strings[--built].~ZOLString();
    }
    const char* add(const XMLCh* text)
    {
        ZOLString* s = new (&strings[built]) ZOLString(text);
        ++built;
        return s->chars();
    }

private:
    ZOLString* strings;
    XMLSize_t built;
};

} // namespace

void ZOLSAX2ContentHandler::startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname,
                                         const xercesc::Attributes& attrs)
{
    if (startElementCallback == nullptr)
        return;
    const ZOLString name(qname);
    const XMLSize_t n = attrs.getLength();

    // Common attribute counts use the stack; more take one allocation for each array.
    std::aligned_storage_t<sizeof(ZOLString), alignof(ZOLString)> inlineStrings[2 * INLINE_ATTRIBUTES];
    const char* inlineEntries[2 * INLINE_ATTRIBUTES + 2];
    std::unique_ptr<std::aligned_storage_t<sizeof(ZOLString), alignof(ZOLString)>[]> heapStrings;
    std::unique_ptr<const char*[]> heapEntries;
    void* stringStorage = inlineStrings;
    const char** entries = inlineEntries;
    if (n > INLINE_ATTRIBUTES) {
        heapStrings.reset(new std::aligned_storage_t<sizeof(ZOLString), alignof(ZOLString)>[2 * n]);
        heapEntries.reset(new const char*[2 * n + 2]);
        stringStorage = heapStrings.get();
        entries = heapEntries.get();
    }

    AttributeStrings strings(static_cast<ZOLString*>(stringStorage));
    for (XMLSize_t i = 0; i < n; ++i) {
        entries[2 * i] = strings.add(attrs.getQName(i));
        entries[2 * i + 1] = strings.add(attrs.getValue(i));
    }
    entries[2 * n] = nullptr;
    entries[2 * n + 1] = nullptr;
    startElementCallback(userData, name.chars(), entries);
}

void ZOLSAX2ContentHandler::startPrefixMapping(const XMLCh* const, const XMLCh* const) {}

void ZOLSAX2ContentHandler::endPrefixMapping(const XMLCh* const) {}

void ZOLSAX2ContentHandler::skippedEntity(const XMLCh* const) {}
