// A parser used from its own callbacks and its log: a nested parse on the same parser, a
// switch of secure processing in mid-parse, and the replacement of a reader that ran out of
// memory. Each leaves the running parse and the next ones intact.

#include "FailingAllocation.h"
#include "HostileSupport.h"
#include "ZOLSAX2Platform.h"

#include <string>

#include <xercesc/util/PlatformUtils.hpp>

using testsupport::thrownMessage;

namespace {

const char NESTED_REFUSED[] = "[ZSAX_F0004] Xerces XMLException: ";

// A parser whose callbacks, at the element named trigger, switch secure processing on when
// asked and parse again on the same parser; every event notes the position the parser gives.
struct Reentry {
    ZOLSAX2Parser* parser = nullptr;
    std::string trigger = "b";
    bool switchSecure = false;
    std::string trace;

    static Reentry& of(void* u) { return *static_cast<Reentry*>(u); }
    void note(const std::string& event) { trace += event + "@" + parser->getPosition().chars() + " "; }
    static void onStart(void* u, const char* name, const char**)
    {
        Reentry& r = of(u);
        r.note(std::string("(") + name);
        if (r.trigger != name)
            return;
        if (r.switchSecure)
            r.parser->setSecureProcessing(true);
        try {
            r.parser->parseString("<x/>");
            r.trace += "nested-accepted ";
        } catch (const ZOLException& e) {
            const std::string message = e.getMessage().chars();
            r.trace += message.rfind(NESTED_REFUSED, 0) == 0 ? "nested-refused " : "nested:" + message + " ";
        }
    }
    static void onEnd(void* u, const char* name) { of(u).note(std::string(")") + name); }
};

// A log that asks the parser for its position at every record.
class PositionLog : public ZOLLog {
public:
    ZOLSAX2Parser* parser = nullptr;
    std::string positions;
    void logEvent(const ZOLLogEvent&) override { positions += "[" + std::string(parser->getPosition().chars()) + "]"; }
};

} // namespace

TEST(Lifecycle, NestedParseIsRefusedAndTheOuterKeepsItsPositionAlsoAfterASwitchOfSecureProcessing)
{
    for (bool switchSecure : {false, true}) {
        ZOLMemoryLog log;
        Reentry reentry;
        reentry.switchSecure = switchSecure;
        ZOLSAX2Parser parser(&reentry, &log, Reentry::onStart, Reentry::onEnd, nullptr, nullptr);
        reentry.parser = &parser;
        // The nested parse is refused with the catalogue's exception; the outer one succeeds.
        // Outside callbacks there is no position.
        EXPECT_STREQ("", parser.getPosition().chars());
        parser.parseString("<a>\n<b/>\n<c/></a>");
        EXPECT_EQ("(a@1:4 (b@2:5 nested-refused )b@2:5 (c@3:5 )c@3:5 )a@3:9 ", reentry.trace);
        EXPECT_STREQ("", parser.getPosition().chars());
        EXPECT_EQ("", testsupport::render(log));
        // The switch takes effect at the next parse.
        reentry.trigger.clear();
        thrownMessage(
            [&] { parser.parseString("<!DOCTYPE r [<!ENTITY x SYSTEM 'file:///etc/hostname'>]><r>&x;</r>"); });
        EXPECT_EQ(switchSecure, testsupport::render(log).find("external entity 'x' refused") != std::string::npos)
            << testsupport::render(log);
    }
}

TEST(Lifecycle, PositionAfterTheReaderWasReplacedAndBeforeTheNextDocumentStarts)
{
    // In a child whose freed memory is poisoned and never reused, so that reading any of it
    // shows as a wrong position or a crash.
    const hostile::ChildResult r = hostile::runBounded(
        [] {
            failing::poisonFreedMemory();
            PositionLog log;
            testsupport::Trace trace;
            ZOLSAX2Parser parser(&trace, &log, testsupport::Trace::onStart, nullptr, nullptr, nullptr);
            log.parser = &parser;
            // From a file: a string would be copied, and fail, before the document starts.
            testsupport::ScratchDir dir;
            const std::string huge = dir.write("huge.xml", "<r a='" + std::string(8u << 20, 'v') + "'/>");
            failing::arm(1u << 20);
            const std::string oom = testsupport::thrownMessage([&] { parser.parseFile(ZOLFile(huge.c_str())); });
            failing::disarm();
            if (oom != "[ZSAX_F0003] Xerces OutOfMemoryException")
                return 2;
            // The replacement reader fails before any document starts: no position yet.
            const std::string missing =
                testsupport::thrownMessage([&] { parser.parseFile(ZOLFile("/nonexistent/zolsax2/missing.xml")); });
            if (missing.rfind("[ZSAX_F0005]", 0) != 0 || log.positions != "[]")
                return 3;
            log.positions.clear();
            parser.parseString("<r>\n<s/></r>");
            return trace.str() == "(r (s " && log.positions.empty() ? 0 : 4;
        },
        60, 2048);
    EXPECT_EQ(0, r.exitCode) << hostile::describe(r);
}

namespace {

// A log that, at its first record, validates again on the validator that logs to it and
// configures another schema.
class ReenteringLog : public ZOLMemoryLog {
public:
    ZOLSAX2Validator* validator = nullptr;
    std::string file;
    std::string schema;
    std::string seen;
    bool switchCachingTo = false;
    void logEvent(const ZOLLogEvent& event) override
    {
        ZOLMemoryLog::logEvent(event);
        if (validator == nullptr)
            return;
        ZOLSAX2Validator* v = validator;
        validator = nullptr;
        seen += v->validate(ZOLFile(file.c_str())) ? "nested-valid " : "nested-invalid ";
        v->addSchemaLocation("urn:s", schema.c_str());
        // Settings that change the reader or its cached grammar wait for the next validation.
        v->setSchemaCaching(switchCachingTo);
        v->setSchemaFullChecking(false);
    }
};

} // namespace

TEST(Lifecycle, ValidatorUsedFromItsOwnLog)
{
    testsupport::ScratchDir dir;
    const std::string schema = dir.write(
        "s.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:s' "
                 "elementFormDefault='qualified'><xs:element name='r'><xs:complexType/></xs:element></xs:schema>");
    const std::string bad = dir.write("bad.xml", "<r xmlns='urn:s'><unexpected/></r>");
    const std::string good = dir.write("good.xml", "<r xmlns='urn:s'/>");
    for (int run = 0; run < 4; ++run) {
        const bool secure = run % 2 == 1;
        const bool caching = run >= 2;
        ReenteringLog log;
        ZOLSAX2Validator validator(&log);
        validator.setSecureProcessing(secure);
        validator.setSchemaCaching(caching);
        log.switchCachingTo = !caching;
        validator.addSchemaLocation("urn:s", dir.file("missing.xsd").c_str());
        log.validator = &validator;
        log.file = good;
        log.schema = schema;
        // The nested validation is refused with a record; the schema configured meanwhile
        // serves the next validation. (The missing schema makes the first answer true in
        // the default mode.)
        EXPECT_EQ(!secure, validator.validate(ZOLFile(bad.c_str())));
        EXPECT_EQ("nested-invalid ", log.seen);
        EXPECT_NE(std::string::npos, testsupport::render(log).find("FATAL ZSAX_F0004 Xerces XMLException: "))
            << testsupport::render(log);
        log.clear();
        EXPECT_TRUE(validator.validate(ZOLFile(good.c_str()))) << testsupport::render(log);
        EXPECT_FALSE(validator.validate(ZOLFile(bad.c_str())));
    }
}

TEST(Lifecycle, ConstructorsThatRunOutOfMemoryLeaveNothingBehind)
{
    // Each size refuses a different allocation of the constructors, from the reader's large
    // buffers down to the objects the parser and the validator make last. The test holds the
    // XML library's initialisation meanwhile (its own would panic without memory); once it
    // lets go, with no other object alive, the library must be gone again: no constructor
    // that failed kept its initialisation (nor, for the sanitizers, anything it made).
    ZOLSAX2Platform::initialize();
    std::size_t thrown = 0;
    for (std::size_t size = 1u << 17; size >= 8; size /= 2) {
        for (const bool validator : {false, true}) {
            ZOLMemoryLog log;
            failing::arm(size);
            try {
                if (validator)
                    ZOLSAX2Validator made(&log);
                else
                    ZOLSAX2Parser made(nullptr, &log, nullptr, nullptr, nullptr, nullptr);
            } catch (...) {
                ++thrown;
            }
            failing::disarm();
        }
    }
    ZOLSAX2Platform::terminate();
    EXPECT_LT(0u, thrown);
    EXPECT_EQ(nullptr, xercesc::XMLPlatformUtils::fgMemoryManager);
}
