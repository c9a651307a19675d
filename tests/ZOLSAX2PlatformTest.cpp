#include "TestSupport.h"

#include <ZOLSAX2Parser.h>
#include <ZOLSAX2PlatformScope.h>
#include <ZOLSAX2Validator.h>

#include <gtest/gtest.h>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/XMLString.hpp>

#include <memory>
#include <string>
#include <thread>
#include <vector>

using testsupport::ScratchDir;
using testsupport::Trace;

namespace {

const char* const SCHEMA = "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:t' "
                           "xmlns='urn:t' elementFormDefault='qualified'><xs:element name='n' type='xs:int'/>"
                           "</xs:schema>";

// What one thread does in one round: make a parser and a validator (settings and the order
// of their lifetimes vary with the round), use them, destroy them. Answers what went wrong,
// or nothing.
std::string oneRound(int round, const std::string& schema, const std::string& good, const std::string& bad)
{
    ZOLMemoryLog log;
    Trace trace;
    auto parser =
        std::make_unique<ZOLSAX2Parser>(&trace, &log, Trace::onStart, Trace::onEnd, Trace::onCharacters, Trace::onPI);
    parser->setSecureProcessing(round % 2 == 0);
    // Half the rounds the parser goes before the validator exists, half it outlives it.
    if (round % 4 < 2) {
        parser->parseString("<r a='1'>t<?p d?></r>");
        parser.reset();
    }
    auto validator = std::make_unique<ZOLSAX2Validator>(&log);
    validator->setSchemaCaching(round % 3 != 0);
    validator->setStrictValidation(round % 5 == 0);
    validator->addSchemaLocation("urn:t", schema.c_str());
    std::string answers;
    for (const std::string* document : {&good, &bad, &good})
        answers += validator->validate(ZOLFile(document->c_str())) ? "T" : "F";
    if (parser) {
        parser->parseString("<r a='1'>t<?p d?></r>");
        validator.reset();
        parser.reset();
    }
    validator.reset();
    const std::string expected = "TFT (r a=1 \"t\"?p d)r";
    const std::string actual = answers + " " + trace.str();
    return actual == expected ? std::string() : "round " + std::to_string(round) + ": " + actual + "\n";
}

// A host's own use of Xerces: a raw reader with its default features, whose events become
// a trace like Trace's.
class RawTrace : public xercesc::DefaultHandler {
public:
    std::string trace;
    void startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname,
                      const xercesc::Attributes& attributes) override
    {
        trace += "(" + narrow(qname);
        for (XMLSize_t i = 0; i < attributes.getLength(); ++i)
            trace += " " + narrow(attributes.getQName(i)) + "=" + narrow(attributes.getValue(i));
    }
    void endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname) override
    {
        trace += ")" + narrow(qname);
    }
    void characters(const XMLCh* const text, const XMLSize_t length) override
    {
        trace += "\"" + narrow(std::u16string(text, text + length).c_str()) + "\"";
    }
    void fatalError(const xercesc::SAXParseException&) override { trace += "!"; }

private:
    static std::string narrow(const XMLCh* text)
    {
        char* bytes = xercesc::XMLString::transcode(text);
        std::string result(bytes);
        xercesc::XMLString::release(&bytes);
        return result;
    }
};

// One round of the host: take part in the library's initialisation (as a scope object on
// even rounds, through the two functions on odd ones), parse a document with an internal
// DTD with a raw reader, let go. Answers what went wrong, or nothing.
std::string hostRound(int round)
{
    static const char DOCUMENT[] = "<!DOCTYPE r [<!ENTITY e 'x'><!ATTLIST r d CDATA 'y'>]><r a='&e;'>&e;</r>";
    std::string trace;
    auto parse = [&trace] {
        RawTrace handler;
        xercesc::SAX2XMLReader* reader = xercesc::XMLReaderFactory::createXMLReader();
        reader->setContentHandler(&handler);
        reader->setErrorHandler(&handler);
        xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(DOCUMENT), sizeof DOCUMENT - 1, "host");
        reader->parse(source);
        delete reader;
        trace = handler.trace;
    };
    if (round % 2 == 0) {
        const ZOLSAX2PlatformScope scope;
        parse();
    } else {
        ZOLSAX2PlatformScope::initialize();
        parse();
        ZOLSAX2PlatformScope::terminate();
    }
    const std::string expected = "(r a=x d=y\"x\")r";
    return trace == expected ? std::string() : "host round " + std::to_string(round) + ": " + trace + "\n";
}

// Runs threads threads of rounds library rounds each, beside a host thread of hostRounds
// rounds when there are any; answers every failure, one line each, or nothing.
std::string runThreads(int threads, int rounds, int hostRounds)
{
    ScratchDir dir;
    const std::string schema = dir.write("t.xsd", SCHEMA);
    const std::string good = dir.write("good.xml", "<n xmlns='urn:t'>12</n>");
    const std::string bad = dir.write("bad.xml", "<n xmlns='urn:t'>twelve</n>");
    std::vector<std::string> failures(static_cast<std::size_t>(threads) + 1);
    std::vector<std::thread> running;
    if (hostRounds > 0) {
        running.emplace_back([&] {
            for (int round = 0; round < hostRounds; ++round)
                failures.back() += hostRound(round);
        });
    }
    for (int t = 0; t < threads; ++t) {
        running.emplace_back([&, t] {
            for (int round = 0; round < rounds; ++round)
                failures[static_cast<std::size_t>(t)] += oneRound(round + t, schema, good, bad);
        });
    }
    for (std::thread& thread : running)
        thread.join();
    std::string all;
    for (const std::string& failure : failures)
        all += failure;
    return all;
}

} // namespace

TEST(ZOLSAX2Platform, HostThatUsesXercesThroughTheScopeRacesWithNothing)
{
    // The host initialises and terminates Xerces once per round, with a raw reader between,
    // while three threads make, use and destroy the library's objects. Done with
    // XMLPlatformUtils::Initialize and Terminate instead, this crashes inside Xerces.
    EXPECT_EQ("", runThreads(3, 150, 600));
}

TEST(ZOLSAX2Platform, ScopeKeepsXercesUpWhileTheLibrarysObjectsComeAndGo)
{
    // The scope holds Xerces up while a parser comes and goes, and Xerces still works after.
    const ZOLSAX2PlatformScope outer;
    {
        ZOLMemoryLog log;
        Trace trace;
        ZOLSAX2Parser parser(&trace, &log, Trace::onStart, Trace::onEnd, Trace::onCharacters, Trace::onPI);
        parser.parseString("<r/>");
        EXPECT_EQ("(r )r", trace.str());
    }
    EXPECT_EQ("", hostRound(0) + hostRound(1));
}

TEST(ZOLSAX2Platform, ParsersAndValidatorsLiveAndDieOnSixThreadsAtOnce)
{
    // Nothing of the library lives on this thread: each round of each thread initialises
    // and terminates the XML library itself, often as the only object in the process.
    EXPECT_EQ("", runThreads(6, 300, 0));
}
