#include "ZOLSAX2ContentHandler.h"

#include "ZOLSAX2NamespaceChecker.h"

#include <xercesc/sax2/Attributes.hpp>

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <type_traits>

ZOLSAX2ContentHandler::ZOLSAX2ContentHandler(void* userData, StartElementCallback startElementCallback,
                                             EndElementCallback endElementCallback,
                                             CharactersCallback charactersCallback,
                                             ProcessingInstructionCallback processingInstructionCallback)
    : parsing(false), userData(userData), startElementCallback(startElementCallback),
      endElementCallback(endElementCallback), charactersCallback(charactersCallback),
      processingInstructionCallback(processingInstructionCallback), locator(nullptr), skippedEntityCallback(nullptr),
      pendingHighSurrogate(0)
{}

ZOLSAX2ContentHandler::~ZOLSAX2ContentHandler() = default;

namespace {

bool isHighSurrogate(XMLCh unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

} // namespace

void ZOLSAX2ContentHandler::characters(const XMLCh* const chars, const XMLSize_t length)
{
    if (charactersCallback == nullptr)
        return;
    if (pendingHighSurrogate != 0 || (length > 0 && isHighSurrogate(chars[length - 1]))) {
        charactersAcrossRuns(chars, length);
        return;
    }
    // The text is taken up to its NUL, which is where the reader ends every run.
    const ZOLString text(chars);
    charactersCallback(userData, text.chars(), static_cast<int>(text.length()));
    stop.check();
}

void ZOLSAX2ContentHandler::charactersAcrossRuns(const XMLCh* chars, XMLSize_t length)
{
    // The reader may end a run between the two halves of a surrogate pair. Converted
    // alone, each half would become U+FFFD, so a trailing high half waits for the next run.
    std::u16string units;
    units.reserve(length + 1);
    if (pendingHighSurrogate != 0)
        units.push_back(pendingHighSurrogate);
    units.append(reinterpret_cast<const char16_t*>(chars), length);
    pendingHighSurrogate = 0;
    if (!units.empty() && isHighSurrogate(units.back())) {
        pendingHighSurrogate = units.back();
        units.pop_back();
    }
    const ZOLString text(units.c_str());
    charactersCallback(userData, text.chars(), static_cast<int>(text.length()));
    stop.check();
}

void ZOLSAX2ContentHandler::flushPendingHighSurrogate()
{
    // Only a document the reader should have refused leaves a high half unpaired: it is
    // delivered as U+FFFD, as a lone half within a run is.
    const char16_t lone[2] = {pendingHighSurrogate, 0};
    pendingHighSurrogate = 0;
    if (charactersCallback == nullptr)
        return;
    const ZOLString text(lone);
    charactersCallback(userData, text.chars(), static_cast<int>(text.length()));
    stop.check();
}

void ZOLSAX2ContentHandler::endDocument()
{
    if (pendingHighSurrogate != 0)
        flushPendingHighSurrogate();
}

void ZOLSAX2ContentHandler::endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname)
{
    if (pendingHighSurrogate != 0)
        flushPendingHighSurrogate();
    if (namespaceChecker != nullptr)
        namespaceChecker->endElement();
    if (endElementCallback == nullptr)
        return;
    const ZOLString name(qname);
    endElementCallback(userData, name.chars());
    stop.check();
}

void ZOLSAX2ContentHandler::ignorableWhitespace(const XMLCh* const, const XMLSize_t) {}

void ZOLSAX2ContentHandler::processingInstruction(const XMLCh* const target, const XMLCh* const data)
{
    if (pendingHighSurrogate != 0)
        flushPendingHighSurrogate();
    if (namespaceChecker != nullptr)
        namespaceChecker->processingInstruction(target, locator);
    if (processingInstructionCallback == nullptr)
        return;
    const ZOLString t(target);
    const ZOLString d(data);
    processingInstructionCallback(userData, t.chars(), d.chars());
    stop.check();
}

void ZOLSAX2ContentHandler::setDocumentLocator(const xercesc::Locator* const documentLocator)
{
    locator = documentLocator;
}

void ZOLSAX2ContentHandler::startDocument()
{
    pendingHighSurrogate = 0;
    if (namespaceChecker != nullptr)
        namespaceChecker->reset();
}

namespace {

using StringSlot = std::aligned_storage_t<sizeof(ZOLString), alignof(ZOLString)>;

// 2n strings in storage the caller provides; destroyed in reverse order on every way out.
class AttributeStrings {
public:
    explicit AttributeStrings(StringSlot* storage) : strings(reinterpret_cast<ZOLString*>(storage)), built(0) {}
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

// Slots for 2n strings followed by room for their 2n + 2 entries, so that a tag with
// many attributes costs one allocation for both arrays.
constexpr XMLSize_t slotsWithEntries(XMLSize_t n)
{
    return 2 * n + ((2 * n + 2) * sizeof(const char*) + sizeof(StringSlot) - 1) / sizeof(StringSlot);
}

} // namespace

namespace {

// The start of an element with n > 0 attributes, kept apart so that the common case without
// any needs neither its stack arrays nor its cleanup.
__attribute__((noinline)) void startElementWithAttributes(StartElementCallback callback, void* userData,
                                                          const XMLCh* qname, const xercesc::Attributes& attrs,
                                                          XMLSize_t n)
{
    // Attribute counts up to this are converted without touching the heap.
    constexpr XMLSize_t INLINE_ATTRIBUTES = 16;
    const ZOLString name(qname);

    // Common attribute counts use the stack; more take one allocation for both arrays.
    StringSlot inlineStrings[2 * INLINE_ATTRIBUTES];
    const char* inlineEntries[2 * INLINE_ATTRIBUTES + 2];
    std::unique_ptr<StringSlot[]> heapSlots;
    StringSlot* stringStorage = inlineStrings;
    const char** entries = inlineEntries;
    if (n > INLINE_ATTRIBUTES) {
        heapSlots.reset(new StringSlot[slotsWithEntries(n)]);
        stringStorage = heapSlots.get();
        entries = reinterpret_cast<const char**>(heapSlots.get() + 2 * n);
    }

    AttributeStrings strings(stringStorage);
    for (XMLSize_t i = 0; i < n; ++i) {
        entries[2 * i] = strings.add(attrs.getQName(i));
        entries[2 * i + 1] = strings.add(attrs.getValue(i));
    }
    entries[2 * n] = nullptr;
    entries[2 * n + 1] = nullptr;
    callback(userData, name.chars(), entries);
}

} // namespace

void ZOLSAX2ContentHandler::startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname,
                                         const xercesc::Attributes& attrs)
{
    if (pendingHighSurrogate != 0)
        flushPendingHighSurrogate();
    if (namespaceChecker != nullptr)
        namespaceChecker->startElement(qname, attrs, locator);
    if (startElementCallback == nullptr)
        return;
    const XMLSize_t n = attrs.getLength();
    if (n != 0) {
        startElementWithAttributes(startElementCallback, userData, qname, attrs, n);
        stop.check();
        return;
    }
    const ZOLString name(qname);
    const char* noAttributes[2] = {nullptr, nullptr};
    startElementCallback(userData, name.chars(), noAttributes);
    stop.check();
}

void ZOLSAX2ContentHandler::startPrefixMapping(const XMLCh* const, const XMLCh* const) {}

void ZOLSAX2ContentHandler::endPrefixMapping(const XMLCh* const) {}

void ZOLSAX2ContentHandler::skippedEntity(const XMLCh* const name)
{
    if (skippedEntityCallback == nullptr)
        return;
    const ZOLString n(name);
    skippedEntityCallback(userData, n.chars());
    stop.check();
}
