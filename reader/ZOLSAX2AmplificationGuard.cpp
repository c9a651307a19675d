#include "ZOLSAX2AmplificationGuard.h"

#include "ZOLSAX2FlagScope.h"
#include "ZOLSAX2LongToString.h"
#include "ZOLSAX2XercesInternals.h"

#include <ZOLLog.h>
#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZSAX.h>

#include <xercesc/framework/XMLAttr.hpp>
#include <xercesc/framework/XMLEntityDecl.hpp>
#include <xercesc/parsers/SAX2XMLReaderImpl.hpp>
#include <xercesc/sax/InputSource.hpp>
#include <xercesc/util/BinInputStream.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLString.hpp>

#include <exception>
#include <utility>

namespace {

// The document's bytes as the reader pulls them, counted.
class CountingStream : public xercesc::BinInputStream {
public:
    CountingStream(xercesc::BinInputStream* inner, ZOLSAX2AmplificationBudget& budget) : inner(inner), budget(budget) {}
    CountingStream(const CountingStream&) = delete;
    CountingStream& operator=(const CountingStream&) = delete;
    ~CountingStream() override { delete inner; }

    XMLFilePos curPos() const override { return inner->curPos(); }
    XMLSize_t readBytes(XMLByte* const toFill, const XMLSize_t maxToRead) override
    {
        const XMLSize_t n = inner->readBytes(toFill, maxToRead);
        budget.addInput(n);
        return n;
    }
    const XMLCh* getContentType() const override { return inner->getContentType(); }
    const XMLCh* getEncoding() const override { return inner->getEncoding(); }

private:
    xercesc::BinInputStream* inner;
    ZOLSAX2AmplificationBudget& budget;
};

// Another source, unchanged but for the count of the bytes read from its stream.
class CountingSource : public xercesc::InputSource {
public:
    CountingSource(const xercesc::InputSource& inner, ZOLSAX2AmplificationBudget& budget) : inner(inner), budget(budget)
    {}
    CountingSource(const CountingSource&) = delete;
    CountingSource& operator=(const CountingSource&) = delete;

    xercesc::BinInputStream* makeStream() const override
    {
        xercesc::BinInputStream* stream = inner.makeStream();
        if (stream == nullptr)
            return nullptr;
        try {
            return new CountingStream(stream, budget);
        } catch (...) {
            delete stream;
            throw;
        }
    }
    const XMLCh* getEncoding() const override { return inner.getEncoding(); }
    const XMLCh* getPublicId() const override { return inner.getPublicId(); }
    const XMLCh* getSystemId() const override { return inner.getSystemId(); }
    bool getIssueFatalErrorIfNotFound() const override { return inner.getIssueFatalErrorIfNotFound(); }

private:
    const xercesc::InputSource& inner;
    ZOLSAX2AmplificationBudget& budget;
};

} // namespace

ZOLSAX2AmplificationGuard::ZOLSAX2AmplificationGuard()
    : relay(*this), measuring(false), locator(nullptr), readerManager(nullptr), entityFreed(false),
      spareReader(nullptr), refused(false), refusedLine(0), refusedColumn(0)
{}

ZOLSAX2AmplificationGuard::~ZOLSAX2AmplificationGuard()
{
    xercesc::XMLPlatformUtils::fgMemoryManager->deallocate(spareReader);
}

void ZOLSAX2AmplificationGuard::install(xercesc::SAX2XMLReader* reader)
{
    // Defaulted attributes are told apart only in the implementation's own document events;
    // the factory always creates that implementation.
    auto* impl = dynamic_cast<xercesc::SAX2XMLReaderImpl*>(reader);
    if (impl == nullptr)
        ZSAX::XERCES_XML_EXCEPTION.throwException("the reader cannot take a document handler");
    impl->installAdvDocHandler(this);
    reader->setContentHandler(&relay);
}

void ZOLSAX2AmplificationGuard::parse(xercesc::SAX2XMLReader* reader, const xercesc::InputSource& source)
{
    budget.start();
    refused = false;
    entityFreed = false;
    expansions = 0;
    locator = nullptr;
    readerManager = nullptr;
    CountingSource counting(source, budget);
    try {
        const ZOLSAX2FlagScope scope(measuring);
        reader->parse(counting);
    } catch (const Refusal&) {
        // Thrown by a document event past the limit; the refusal is noted.
    }
    locator = nullptr;
    readerManager = nullptr;
}

void ZOLSAX2AmplificationGuard::setInternalSubsetExpansionLimit(unsigned long limit)
{
    expansionLimit = limit;
    // The reader's own text for its count.
    expansionText = "parser has encountered more than '" + longToString(static_cast<long>(limit)) +
                    "' entity expansions in the document; this is the limit imposed by the application";
}

void ZOLSAX2AmplificationGuard::refuse(const char* why) noexcept
{
    if (refused)
        return;
    refused = true;
    refusedLine = 0;
    refusedColumn = 0;
    // The locator reads the reader manager's current readers, which exist once the document
    // has started and until the parse ends.
    if (locator != nullptr && (readerManager == nullptr || readerManager->getCurrentReader() != nullptr)) {
        refusedLine = static_cast<long>(locator->getLineNumber());
        refusedColumn = static_cast<long>(locator->getColumnNumber());
        try {
            const XMLCh* systemId = locator->getSystemId();
            refusedSystemId = systemId == nullptr ? ZOLString() : ZOLString(systemId);
        } catch (...) {
            refusedSystemId = ZOLString();
        }
    }
    refusedText = ZOLString();
    try {
        refusedText = why != nullptr ? ZOLString(why) : budget.describe();
    } catch (...) {
        // Written when logged.
    }
}

void ZOLSAX2AmplificationGuard::logRefusal(ZOLLog& log) const
{
    const ZOLLogLocation where(refusedSystemId, refusedLine, refusedColumn, ZOLLogEvent::LEVEL_FATAL);
    const ZOLString text =
        refusedText.isEmpty() ? ZOLString("entity expansion exceeds the amplification limit") : refusedText;
    ZSAX::SAX_PARSE_ERROR.logAt(log, where, longToString(refusedLine), longToString(refusedColumn), text);
}

xercesc::MemoryManager* ZOLSAX2AmplificationGuard::getExceptionMemoryManager()
{
    return xercesc::XMLPlatformUtils::fgMemoryManager->getExceptionMemoryManager();
}

void* ZOLSAX2AmplificationGuard::allocate(XMLSize_t size)
{
    // Never while an exception unwinds the reader's stack: a destructor may be asking.
    if (measuring && (refused || budget.refuseBlock(size) || budget.isExceeded()) && std::uncaught_exceptions() == 0) {
        refuse();
        throw xercesc::OutOfMemoryException();
    }
    if (spareReader != nullptr && size == ZOLSAX2XercesInternals::readerBlockSize())
        return std::exchange(spareReader, nullptr);
    return xercesc::XMLPlatformUtils::fgMemoryManager->allocate(size);
}

void ZOLSAX2AmplificationGuard::deallocate(void* p)
{
    if (measuring && readerManager != nullptr && p != nullptr && !entityFreed) {
        const xercesc::XMLEntityDecl* entity = readerManager->getCurrentEntity();
        const xercesc::XMLReader* current = readerManager->getCurrentReader();
        if (entity != nullptr && p == ZOLSAX2XercesInternals::blockOf(entity)) {
            // The current entity itself is freed: a parameter entity whose DTD scanner ended
            // in mid-entity on an error. The reader manager keeps the pointer until it is
            // reset, so nothing more is read through it in this parse.
            entityFreed = true;
        } else if (current != nullptr && p == ZOLSAX2XercesInternals::blockOf(current)) {
            // The reader manager deletes the reader of an entity it has read to the end while
            // that reader is still its current one: this is when the entity's text was produced.
            if (entity != nullptr && !entity->isExternal())
                budget.addExpansion(entity->getValueLen());
            // Refused at the next block the reader asks for.
            if (entity != nullptr && expansionLimit > 0 && entity->getDeclaredInIntSubset() &&
                ++expansions > expansionLimit)
                refuse(expansionText.chars());
            if (spareReader == nullptr) {
                spareReader = p;
                return;
            }
        }
    }
    xercesc::XMLPlatformUtils::fgMemoryManager->deallocate(p);
}

void ZOLSAX2AmplificationGuard::startElement(const xercesc::XMLElementDecl&, const unsigned int, const XMLCh* const,
                                             const xercesc::RefVectorOf<xercesc::XMLAttr>& attrList,
                                             const XMLSize_t attrCount, const bool, const bool)
{
    if (!measuring)
        return;
    for (XMLSize_t i = 0; i < attrCount; ++i) {
        const xercesc::XMLAttr* attribute = attrList.elementAt(i);
        if (!attribute->getSpecified())
            budget.addOutput(xercesc::XMLString::stringLen(attribute->getValue()));
    }
    if (budget.isExceeded()) {
        refuse();
        throw Refusal();
    }
}

void ZOLSAX2AmplificationGuard::docCharacters(const XMLCh* const, const XMLSize_t, const bool) {}
void ZOLSAX2AmplificationGuard::docComment(const XMLCh* const) {}
void ZOLSAX2AmplificationGuard::docPI(const XMLCh* const, const XMLCh* const) {}
void ZOLSAX2AmplificationGuard::endDocument() {}
void ZOLSAX2AmplificationGuard::endElement(const xercesc::XMLElementDecl&, const unsigned int, const bool,
                                           const XMLCh* const)
{}
void ZOLSAX2AmplificationGuard::endEntityReference(const xercesc::XMLEntityDecl&) {}
void ZOLSAX2AmplificationGuard::ignorableWhitespace(const XMLCh* const, const XMLSize_t, const bool) {}
void ZOLSAX2AmplificationGuard::resetDocument() {}
void ZOLSAX2AmplificationGuard::startDocument() {}
void ZOLSAX2AmplificationGuard::startEntityReference(const xercesc::XMLEntityDecl&) {}
void ZOLSAX2AmplificationGuard::XMLDecl(const XMLCh* const, const XMLCh* const, const XMLCh* const, const XMLCh* const)
{}

void ZOLSAX2AmplificationGuard::Relay::setDocumentLocator(const xercesc::Locator* const documentLocator)
{
    // The reader's locator is its reader manager.
    guard.locator = documentLocator;
    guard.readerManager = dynamic_cast<const xercesc::ReaderMgr*>(documentLocator);
    // Without it no expansion is seen: refuse the document rather than let it through.
    if (documentLocator != nullptr && guard.readerManager == nullptr)
        guard.budget.setUnmeasurable();
    if (inner != nullptr)
        inner->setDocumentLocator(documentLocator);
}

void ZOLSAX2AmplificationGuard::Relay::characters(const XMLCh* const chars, const XMLSize_t length)
{
    if (inner != nullptr)
        inner->characters(chars, length);
}

void ZOLSAX2AmplificationGuard::Relay::endDocument()
{
    // The last expansions may have asked for no memory since they passed the limit.
    if (guard.measuring && guard.budget.isExceeded()) {
        guard.refuse();
        throw Refusal();
    }
    if (inner != nullptr)
        inner->endDocument();
}

void ZOLSAX2AmplificationGuard::Relay::endElement(const XMLCh* const uri, const XMLCh* const localname,
                                                  const XMLCh* const qname)
{
    if (inner != nullptr)
        inner->endElement(uri, localname, qname);
}

void ZOLSAX2AmplificationGuard::Relay::ignorableWhitespace(const XMLCh* const chars, const XMLSize_t length)
{
    if (inner != nullptr)
        inner->ignorableWhitespace(chars, length);
}

void ZOLSAX2AmplificationGuard::Relay::processingInstruction(const XMLCh* const target, const XMLCh* const data)
{
    if (inner != nullptr)
        inner->processingInstruction(target, data);
}

void ZOLSAX2AmplificationGuard::Relay::startDocument()
{
    if (inner != nullptr)
        inner->startDocument();
}

void ZOLSAX2AmplificationGuard::Relay::startElement(const XMLCh* const uri, const XMLCh* const localname,
                                                    const XMLCh* const qname, const xercesc::Attributes& attrs)
{
    if (inner != nullptr)
        inner->startElement(uri, localname, qname, attrs);
}

void ZOLSAX2AmplificationGuard::Relay::startPrefixMapping(const XMLCh* const prefix, const XMLCh* const uri)
{
    if (inner != nullptr)
        inner->startPrefixMapping(prefix, uri);
}

void ZOLSAX2AmplificationGuard::Relay::endPrefixMapping(const XMLCh* const prefix)
{
    if (inner != nullptr)
        inner->endPrefixMapping(prefix);
}

void ZOLSAX2AmplificationGuard::Relay::skippedEntity(const XMLCh* const name)
{
    if (inner != nullptr)
        inner->skippedEntity(name);
}
