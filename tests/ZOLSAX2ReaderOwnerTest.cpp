#include "ZOLSAX2ReaderOwner.h"
#include "TestSupport.h"
#include "ZOLSAX2AmplificationGuard.h"
#include "ZOLSAX2EntityGuard.h"
#include "ZOLSAX2Platform.h"

#include <ZOLMemoryLog.h>

#include <gtest/gtest.h>

#include <xercesc/dom/DOMException.hpp>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Holds the XML library for one test.
struct Platform {
    Platform() { ZOLSAX2Platform::initialize(); }
    ~Platform() { ZOLSAX2Platform::terminate(); }
};

const char* failureName(ZOLSAX2ReaderOwner::Failure failure)
{
    switch (failure) {
    case ZOLSAX2ReaderOwner::Failure::NONE:
        return "none";
    case ZOLSAX2ReaderOwner::Failure::OUT_OF_MEMORY:
        return "out-of-memory";
    case ZOLSAX2ReaderOwner::Failure::XML_EXCEPTION:
        return "xml";
    case ZOLSAX2ReaderOwner::Failure::SAX_EXCEPTION:
        return "sax";
    case ZOLSAX2ReaderOwner::Failure::DOM_EXCEPTION:
        return "dom";
    }
    return "?";
}

} // namespace

TEST(ZOLSAX2ReaderOwner, TellsHowWorkEndedAndDiscardsAReaderThatCannotGoOn)
{
    const Platform platform;
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[] {}, "none kept"},
        {[] { throw xercesc::OutOfMemoryException(); }, "out-of-memory discarded"},
        {[] { throw xercesc::SAXNotSupportedException(u"refused"); }, "sax 'refused' kept"},
        {[] { throw xercesc::DOMException(xercesc::DOMException::NOT_SUPPORTED_ERR, 0); }, "dom discarded"},
    };
    for (const auto& [work, expected] : cases) {
        xercesc::SAX2XMLReader* reader =
            ZOLSAX2ReaderOwner::createValidatorReader(xercesc::XMLPlatformUtils::fgMemoryManager);
        ZOLSAX2ReaderOwner owner(reader);
        std::string trace;
        owner.setOnDiscard([&] { trace += " discarded"; });
        const ZOLSAX2ReaderOwner::Outcome outcome = owner.run(work);
        trace = failureName(outcome.failure) + trace;
        if (outcome.failure == ZOLSAX2ReaderOwner::Failure::SAX_EXCEPTION)
            trace += std::string(" '") + outcome.message.chars() + "'";
        if (reader != nullptr)
            trace += " kept";
        EXPECT_EQ(expected, trace);
        delete reader;
    }
    // Anything else passes through untouched.
    xercesc::SAX2XMLReader* reader = nullptr;
    ZOLSAX2ReaderOwner owner(reader);
    EXPECT_THROW(owner.run([] { throw std::runtime_error("callback"); }), std::runtime_error);
}

TEST(ZOLSAX2ReaderOwner, ReadersHaveTheirFixedConfiguration)
{
    const Platform platform;
    auto features = [](xercesc::SAX2XMLReader* reader) {
        std::string out;
        for (const XMLCh* feature :
             {xercesc::XMLUni::fgSAX2CoreNameSpaces, xercesc::XMLUni::fgSAX2CoreNameSpacePrefixes,
              xercesc::XMLUni::fgSAX2CoreValidation, xercesc::XMLUni::fgXercesDynamic, xercesc::XMLUni::fgXercesSchema,
              xercesc::XMLUni::fgXercesSchemaFullChecking, xercesc::XMLUni::fgXercesLoadExternalDTD,
              xercesc::XMLUni::fgXercesIdentityConstraintChecking, xercesc::XMLUni::fgXercesCalculateSrcOfs})
            out += reader->getFeature(feature) ? '1' : '0';
        delete reader;
        return out;
    };
    xercesc::MemoryManager* memory = xercesc::XMLPlatformUtils::fgMemoryManager;
    EXPECT_EQ("101111101", features(ZOLSAX2ReaderOwner::createValidatorReader(memory)));
    EXPECT_EQ("000000001", features(ZOLSAX2ReaderOwner::createParserReader(false, memory)));
    EXPECT_EQ("001100001", features(ZOLSAX2ReaderOwner::createParserReader(true, memory)));
}

TEST(ZOLSAX2ReaderOwner, GuardsRefuseAReaderTheyCannotWatchWithTheReadersMessage)
{
    const Platform platform;
    ZOLMemoryLog log;
    ZOLSAX2EntityGuard entities(&log);
    ZOLSAX2AmplificationGuard amplification;
    // Not a failure of the library's initialisation: the reader at hand lacks a hook.
    EXPECT_EQ("[ZSAX_F0004] Xerces XMLException: the reader cannot take an entity resolver",
              testsupport::thrownMessage([&] { entities.install(nullptr); }));
    EXPECT_EQ("[ZSAX_F0004] Xerces XMLException: the reader cannot take a document handler",
              testsupport::thrownMessage([&] { amplification.install(nullptr); }));
}
