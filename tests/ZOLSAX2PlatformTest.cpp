#include "TestSupport.h"

#include <ZOLSAX2Parser.h>
#include <ZOLSAX2Validator.h>

#include <gtest/gtest.h>

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

} // namespace

TEST(ZOLSAX2Platform, ParsersAndValidatorsLiveAndDieOnSixThreadsAtOnce)
{
    // Nothing of the library lives on this thread: each round of each thread initialises
    // and terminates the XML library itself, often as the only object in the process.
    ScratchDir dir;
    const std::string schema = dir.write("t.xsd", SCHEMA);
    const std::string good = dir.write("good.xml", "<n xmlns='urn:t'>12</n>");
    const std::string bad = dir.write("bad.xml", "<n xmlns='urn:t'>twelve</n>");
    constexpr int THREADS = 6;
    constexpr int ROUNDS = 300;
    std::vector<std::string> failures(THREADS);
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < ROUNDS; ++round)
                failures[static_cast<std::size_t>(t)] += oneRound(round + t, schema, good, bad);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < THREADS; ++t)
        EXPECT_EQ("", failures[static_cast<std::size_t>(t)]) << "thread " << t;
}
