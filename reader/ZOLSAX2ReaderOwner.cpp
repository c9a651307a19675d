#include "ZOLSAX2ReaderOwner.h"

#include "ZOLSAX2ParseStop.h"
#include "ZOLSAX2SkippedEntityReader.h"

#include <xercesc/dom/DOMException.hpp>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/IOException.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/XMLUni.hpp>

xercesc::SAX2XMLReader* ZOLSAX2ReaderOwner::createParserReader(bool reportSkippedEntities,
                                                               xercesc::MemoryManager* memory)
{
    xercesc::SAX2XMLReader* reader = reportSkippedEntities ? new ZOLSAX2SkippedEntityReader(memory)
                                                           : xercesc::XMLReaderFactory::createXMLReader(memory);
    // The parser's nine features, in this order and nothing else.
    reader->setFeature(xercesc::XMLUni::fgXercesSchema, false);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreValidation, reportSkippedEntities);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, false);
    reader->setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, false);
    reader->setFeature(xercesc::XMLUni::fgXercesDynamic, reportSkippedEntities);
    reader->setFeature(xercesc::XMLUni::fgXercesSchemaFullChecking, false);
    reader->setFeature(xercesc::XMLUni::fgXercesIdentityConstraintChecking, false);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpacePrefixes, false);
    reader->setFeature(xercesc::XMLUni::fgXercesCalculateSrcOfs, true);
    return reader;
}

void ZOLSAX2ReaderOwner::readExternalDtd(xercesc::SAX2XMLReader* reader)
{
    reader->setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, true);
    if (auto* skipped = dynamic_cast<ZOLSAX2SkippedEntityReader*>(reader))
        skipped->setReadExternalSubset(true);
}

xercesc::SAX2XMLReader* ZOLSAX2ReaderOwner::createValidatorReader(xercesc::MemoryManager* memory,
                                                                  xercesc::XMLGrammarPool* pool)
{
    xercesc::SAX2XMLReader* reader = xercesc::XMLReaderFactory::createXMLReader(memory, pool);
    // The validator's nine features, in this order and nothing else.
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpacePrefixes, false);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreValidation, true);
    reader->setFeature(xercesc::XMLUni::fgXercesDynamic, true);
    reader->setFeature(xercesc::XMLUni::fgXercesSchema, true);
    reader->setFeature(xercesc::XMLUni::fgXercesSchemaFullChecking, true);
    reader->setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, true);
    reader->setFeature(xercesc::XMLUni::fgXercesIdentityConstraintChecking, false);
    reader->setFeature(xercesc::XMLUni::fgXercesCalculateSrcOfs, true);
    return reader;
}

ZOLString ZOLSAX2ReaderOwner::inProgressMessage()
{
    const xercesc::IOException inProgress(__FILE__, __LINE__, xercesc::XMLExcepts::Gen_ParseInProgress);
    return ZOLString(inProgress.getMessage());
}

void ZOLSAX2ReaderOwner::discard()
{
    delete reader;
    reader = nullptr;
    if (onDiscard)
        onDiscard();
}

ZOLSAX2ReaderOwner::Outcome ZOLSAX2ReaderOwner::run(const std::function<void()>& work)
{
    Outcome outcome;
    try {
        work();
    } catch (const ZOLSAX2ParseStop::Stopped&) {
        // The reader has reset itself on the way out, as after any callback's exception.
        outcome.stopped = true;
    } catch (const xercesc::OutOfMemoryException&) {
        discard();
        outcome.failure = Failure::OUT_OF_MEMORY;
        outcome.exception = std::current_exception();
    } catch (const xercesc::XMLException& e) {
        outcome.failure = Failure::XML_EXCEPTION;
        outcome.message = ZOLString(e.getMessage());
        outcome.exception = std::current_exception();
    } catch (const xercesc::SAXException& e) {
        outcome.failure = Failure::SAX_EXCEPTION;
        outcome.message = ZOLString(e.getMessage());
        outcome.exception = std::current_exception();
    } catch (const xercesc::DOMException& e) {
        // The reader reads schemas into a DOM, whose own exceptions it lets through (for a
        // version in a schema's XML declaration that the DOM refuses, say). It gave up in the
        // middle of loading a grammar.
        discard();
        outcome.failure = Failure::DOM_EXCEPTION;
        outcome.message = e.getMessage() == nullptr ? ZOLString() : ZOLString(e.getMessage());
        outcome.exception = std::current_exception();
    }
    return outcome;
}
