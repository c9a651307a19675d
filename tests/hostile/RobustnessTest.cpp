// Callbacks that throw, logs that throw, running out of memory, and parsers and validators
// made and destroyed inside callbacks: afterwards the same objects still parse correctly.

#include "FailingAllocation.h"
#include "HostileSupport.h"

#include <xercesc/dom/DOMException.hpp>

#include <xercesc/util/RuntimeException.hpp>
#include <xercesc/util/XMLExceptMsgs.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XMLUniDefs.hpp>

#include <fstream>
#include <stdexcept>

using hostile::Outcome;

namespace {

const char RICH[] = "<?xml version='1.0'?><?a b?><r x='1'>t<e y='2'/>u<?c d?><f>v</f></r>";
const char RICH_TRACE[] = "?a b(r x=1 \"t\"(e y=2 )e\"u\"?c d(f \"v\")f)r";
// With an external DTD that is not read, and skipped entities in an attribute value and text.
const char SKIPPING[] = "<!DOCTYPE r SYSTEM 'r.dtd'><?a b?><r x='1' s='&e;'>t<e y='2'/>u&e;<?c d?><f>v</f></r>";
const char SKIPPING_TRACE[] = "?a b&e;(r x=1 s= \"t\"(e y=2 )e\"u\"&e;?c d(f \"v\")f)r";

enum class Kind { ZOL, STD, INT, XERCES };

// Traces the events, and throws at the n-th callback of any kind (counting from 1).
struct Thrower : testsupport::Trace {
    int countdown = 0;
    Kind kind = Kind::STD;

    static testsupport::Trace* tick(void* u)
    {
        auto* t = static_cast<Thrower*>(static_cast<testsupport::Trace*>(u));
        if (t->countdown > 0 && --t->countdown == 0) {
            switch (t->kind) {
            case Kind::ZOL:
                throw ZOLException("from callback");
            case Kind::STD:
                throw std::runtime_error("from callback");
            case Kind::INT:
                throw 42;
            case Kind::XERCES:
                ThrowXML(xercesc::RuntimeException, xercesc::XMLExcepts::Gen_ParseInProgress);
            }
        }
        return t;
    }
    static void onStart(void* u, const char* name, const char** attributes)
    {
        Trace::onStart(tick(u), name, attributes);
    }
    static void onEnd(void* u, const char* name) { Trace::onEnd(tick(u), name); }
    static void onCharacters(void* u, const char* text, int length) { Trace::onCharacters(tick(u), text, length); }
    static void onPI(void* u, const char* target, const char* data) { Trace::onPI(tick(u), target, data); }
    static void onSkipped(void* u, const char* name) { Trace::onSkipped(tick(u), name); }
};

// A log that throws on its n-th record.
class ThrowingLog : public ZOLLog {
public:
    int countdown = 0;
    void logEvent(const ZOLLogEvent&) override
    {
        if (countdown > 0 && --countdown == 0)
            throw std::runtime_error("from log");
    }
};

} // namespace

TEST(Robustness, CallbacksThrowingAtEveryEvent)
{
    for (bool skipping : {false, true}) {
        const char* const document = skipping ? SKIPPING : RICH;
        const std::string expected = skipping ? SKIPPING_TRACE : RICH_TRACE;
        for (bool secure : {false, true}) {
            for (Kind kind : {Kind::ZOL, Kind::STD, Kind::INT, Kind::XERCES}) {
                Thrower thrower;
                ZOLMemoryLog log;
                ZOLSAX2Parser parser(static_cast<testsupport::Trace*>(&thrower), &log, Thrower::onStart, Thrower::onEnd,
                                     Thrower::onCharacters, Thrower::onPI);
                parser.setSecureProcessing(secure);
                if (skipping)
                    parser.setSkippedEntityCallback(Thrower::onSkipped);
                // Each event of the document throws once.
                for (int n = 1; n <= (skipping ? 13 : 11); ++n) {
                    thrower.kind = kind;
                    thrower.countdown = n;
                    log.clear();
                    std::string caught;
                    try {
                        parser.parseString(document);
                        caught = "none";
                    } catch (const ZOLException& e) {
                        caught = e.getMessage().chars();
                    } catch (const std::runtime_error& e) {
                        caught = e.what();
                    } catch (int i) {
                        caught = std::to_string(i);
                    }
                    if (kind == Kind::XERCES) {
                        // The reader swallows its own exception type and reports a fatal error.
                        EXPECT_EQ("[ZSAX_F0005] Failed to parse XML file: memory", caught) << n;
                        EXPECT_EQ(1u, log.size()) << n;
                    } else {
                        EXPECT_EQ(kind == Kind::INT ? "42" : "from callback", caught) << n;
                        EXPECT_EQ(0u, log.size()) << n;
                    }
                    EXPECT_TRUE(parser.getPosition().isEmpty());
                    // The same parser parses the next document in full, an event cut short
                    // leaving nothing behind.
                    static_cast<testsupport::Trace&>(thrower) = testsupport::Trace();
                    parser.parseString(document);
                    EXPECT_EQ(expected, thrower.str()) << n;
                }
            }
        }
    }
}

TEST(Robustness, LogThrowingFromTheErrorHandler)
{
    ThrowingLog log;
    testsupport::Trace trace;
    ZOLSAX2Parser parser(&trace, &log, testsupport::Trace::onStart, testsupport::Trace::onEnd, nullptr, nullptr);
    ZOLSAX2Validator validator(&log);
    testsupport::ScratchDir dir;
    const std::string bad = dir.write("bad.xml", "<r><a></r>");
    const std::string good = dir.write("good.xml", "<r/>");
    for (int round = 0; round < 50; ++round) {
        log.countdown = 1;
        EXPECT_THROW(parser.parseString("<r><a></r>"), std::runtime_error);
        log.countdown = 1;
        EXPECT_THROW(validator.validate(ZOLFile(bad.c_str())), std::runtime_error);
    }
    log.countdown = 0;
    trace = testsupport::Trace();
    parser.parseString("<r/>");
    EXPECT_EQ("(r )r", trace.str());
    EXPECT_TRUE(validator.validate(ZOLFile(good.c_str())));
}

TEST(Robustness, ParserRecoversFromOutOfMemory)
{
    for (bool listen : {false, true}) {
        for (bool secure : {false, true}) {
            testsupport::Traced t;
            ZOLSAX2Parser& parser = t.parser;
            parser.setSecureProcessing(secure);
            // A listening parser validates documents with a DTD, so it runs out inside that.
            const std::string doctype = listen ? "<!DOCTYPE r SYSTEM 'r.dtd'>" : "";
            if (listen)
                parser.setSkippedEntityCallback(testsupport::Trace::onSkipped);
            ZOLString huge;
            hostile::setText(huge, doctype + "<r a='" + std::string(8u << 20, 'v') + "'/>");
            for (int round = 0; round < 3; ++round) {
                failing::arm(1u << 20);
                const std::string message = testsupport::thrownMessage([&] { parser.parseString(huge); });
                failing::disarm();
                EXPECT_EQ("[ZSAX_F0003] Xerces OutOfMemoryException", message);
                EXPECT_LT(0u, failing::refusals());
                // Right after: the same parser, its callbacks and its mode.
                t.trace = testsupport::Trace();
                parser.parseString(listen ? SKIPPING : RICH);
                EXPECT_EQ(listen ? SKIPPING_TRACE : RICH_TRACE, t.trace.str());
                if (secure) {
                    const std::string refused = testsupport::thrownMessage([&] {
                        parser.parseString("<!DOCTYPE r [<!ENTITY x SYSTEM 'file:///etc/hostname'>]><r>&x;</r>");
                    });
                    EXPECT_EQ("[ZSAX_F0005] Failed to parse XML file: memory", refused);
                }
            }
            t.log.clear();
            parser.parseString("<r>\xC3\xA9</r>");
            EXPECT_EQ("", testsupport::render(t.log));
        }
    }
}

TEST(Robustness, ValidatorRecoversFromOutOfMemory)
{
    testsupport::ScratchDir dir;
    const auto schemaWith = [](const char* type) {
        return std::string("<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:s' "
                           "elementFormDefault='qualified'><xs:element name='r'><xs:complexType><xs:attribute "
                           "name='a' type='") +
               type + "'/></xs:complexType></xs:element></xs:schema>";
    };
    const std::string schema = dir.write("s.xsd", schemaWith("xs:string"));
    const std::string huge = dir.write("huge.xml", "<r xmlns='urn:s' a='" + std::string(8u << 20, 'v') + "'/>");
    const std::string good = dir.write("good.xml", "<r xmlns='urn:s' a='v'/>");
    const std::string bad = dir.write("bad.xml", "<r xmlns='urn:s' b='1'/>");
    const auto runOutOfMemory = [&](ZOLSAX2Validator& validator, ZOLMemoryLog& log) {
        log.clear();
        failing::arm(1u << 20);
        const bool answer = validator.validate(ZOLFile(huge.c_str()));
        failing::disarm();
        EXPECT_FALSE(answer);
        EXPECT_NE(std::string::npos, testsupport::render(log).find("FATAL ZSAX_F0003 Xerces OutOfMemoryException"))
            << testsupport::render(log);
        log.clear();
    };
    for (bool caching : {false, true}) {
        for (bool secure : {false, true}) {
            ZOLMemoryLog log;
            ZOLSAX2Validator validator(&log);
            validator.setSchemaCaching(caching);
            validator.setSecureProcessing(secure);
            validator.addSchemaLocation("urn:s", schema.c_str());
            for (int round = 0; round < 3; ++round) {
                runOutOfMemory(validator, log);
                // Right after: the same validator with its schema.
                EXPECT_TRUE(validator.validate(ZOLFile(good.c_str()))) << testsupport::render(log);
                EXPECT_FALSE(validator.validate(ZOLFile(bad.c_str())));
            }
            if (!caching)
                continue;
            // The schema changes on disk: the cached grammar still judges until the reader is
            // rebuilt after running out of memory, and the new one reads the schema again.
            dir.write("s.xsd", schemaWith("xs:int"));
            EXPECT_TRUE(validator.validate(ZOLFile(good.c_str())));
            runOutOfMemory(validator, log);
            EXPECT_FALSE(validator.validate(ZOLFile(good.c_str())));
            dir.write("s.xsd", schemaWith("xs:string"));
        }
    }
}

namespace {

// The process's resident memory now, in KiB.
long residentKiB()
{
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace

TEST(Robustness, ValidatorStaysBoundedOverDocumentsWithNewNames)
{
    if (hostile::ADDRESS_SANITIZER)
        GTEST_SKIP() << "AddressSanitizer holds freed memory in quarantine: resident memory says nothing here";
    // Each document brings 60 namespaces and element names no document used before, which
    // Xerces keeps for the reader's life: about 30 KiB per document if nothing stopped it.
    testsupport::ScratchDir dir;
    const std::string schema =
        dir.write("lax.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:t' "
                             "elementFormDefault='qualified'><xs:element name='n'><xs:complexType><xs:sequence><xs:any "
                             "processContents='lax' namespace='##other' maxOccurs='unbounded'/></xs:sequence>"
                             "</xs:complexType></xs:element></xs:schema>");
    for (const bool caching : {true, false}) {
        ZOLMemoryLog log;
        ZOLSAX2Validator validator(&log);
        validator.setSchemaCaching(caching);
        validator.addSchemaLocation("urn:t", schema.c_str());
        const auto validateNext = [&](int i) {
            std::string document = "<n xmlns='urn:t'>";
            for (int e = 0; e < 60; ++e) {
                const std::string name = std::to_string(i) + "-" + std::to_string(e);
                document += "<u:e" + name + " xmlns:u='urn:unique:" + name + "'/>";
            }
            // Three that fail, with the same records whichever reader reads them.
            if (i % 250 == 0 && i > 0)
                document += "<e/>";
            return validator.validate(ZOLFile(dir.write("doc.xml", document + "</n>").c_str()));
        };
        int valid = 0;
        for (int i = 0; i < 100; ++i)
            valid += validateNext(i) ? 1 : 0;
        const long before = residentKiB();
        for (int i = 100; i < 1000; ++i)
            valid += validateNext(i) ? 1 : 0;
        const long growth = residentKiB() - before;
        std::printf("[ figures  ] 900 documents with 60 new namespaces each, %s: resident memory grew by %ld KiB\n",
                    caching ? "caching" : "without caching", growth);
        EXPECT_EQ(997, valid) << caching;
        // The three failures log the same records, before and after any replacement.
        const std::vector<ZOLLogEvent>& events = log.getEvents();
        ASSERT_EQ(0u, events.size() % 3) << testsupport::render(log);
        const std::size_t each = events.size() / 3;
        ASSERT_GT(each, 0u);
        for (std::size_t e = each; e < events.size(); ++e)
            EXPECT_STREQ(events[e % each].getText().chars(), events[e].getText().chars());
        EXPECT_LT(growth, 8 * 1024) << caching;
    }
}

namespace {

// Each start tag at depth below limit makes a new parser and a new validator, parses the
// same document with them from inside the callback, and destroys them there.
struct Nest {
    int depth = 0;
    int limit = 0;
    int parsers = 0;
    std::string path;
    static void onStart(void* u, const char*, const char**)
    {
        Nest* n = static_cast<Nest*>(u);
        if (n->depth >= n->limit)
            return;
        ++n->depth;
        ++n->parsers;
        ZOLMemoryLog log;
        ZOLSAX2Validator validator(&log);
        ZOLSAX2Parser parser(u, &log, onStart, nullptr, nullptr, nullptr);
        parser.setSecureProcessing(n->depth % 2 == 0);
        parser.parseString("<a><b/></a>");
        if (!validator.validate(ZOLFile(n->path.c_str())))
            throw std::runtime_error("validation failed at depth " + std::to_string(n->depth));
        --n->depth;
    }
};

} // namespace

TEST(Robustness, ParsersAndValidatorsMadeAndDestroyedInsideCallbacks)
{
    testsupport::ScratchDir dir;
    Nest nest;
    nest.limit = 3;
    nest.path = dir.write("doc.xml", "<r/>");
    ZOLMemoryLog log;
    ZOLSAX2Parser outer(&nest, &log, Nest::onStart, nullptr, nullptr, nullptr);
    outer.parseString("<r/>");
    // Each start tag below the limit opens two more levels: 2^3 - 1 parsers in all. The
    // outer parser, whose parse they all ran inside, still works.
    EXPECT_EQ(7, nest.parsers);
    EXPECT_EQ(0u, log.size());
    outer.parseString("<r/>");
    EXPECT_EQ(14, nest.parsers);
}

TEST(Robustness, SchemaWithAVersionTheSchemaReaderRefuses)
{
    // Xerces reads schemas into a DOM, which throws its own exception type for a version it
    // does not know. It reaches the caller unchanged; in secure mode the validator answers
    // false with a record instead. Either way it works on.
    testsupport::ScratchDir dir;
    const std::string schema =
        dir.write("bad.xsd", "<?xml version='1.G0'?><xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' "
                             "targetNamespace='urn:b'><xs:element name='r'/></xs:schema>");
    const std::string hinted = dir.write("hinted.xml", "<r xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' "
                                                       "xsi:noNamespaceSchemaLocation='bad.xsd'/>");
    const std::string configured = dir.write("configured.xml", "<r xmlns='urn:b'/>");
    const std::string goodSchema =
        dir.write("good.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:b'>"
                              "<xs:element name='r'/></xs:schema>");
    for (bool secure : {false, true}) {
        ZOLMemoryLog log;
        ZOLSAX2Validator validator(&log);
        validator.setSecureProcessing(secure);
        validator.addSchemaLocation("urn:b", schema.c_str());
        if (secure) {
            EXPECT_FALSE(validator.validate(ZOLFile(configured.c_str())));
            EXPECT_NE(std::string::npos, testsupport::render(log).find("FATAL ZSAX_F0004 Xerces XMLException: "))
                << testsupport::render(log);
        } else {
            EXPECT_THROW(validator.validate(ZOLFile(configured.c_str())), xercesc::DOMException);
            EXPECT_THROW(validator.validate(ZOLFile(hinted.c_str())), xercesc::DOMException);
            EXPECT_EQ(std::string::npos, testsupport::render(log).find("ZSAX_F0004")) << testsupport::render(log);
        }
        log.clear();
        validator.addSchemaLocation("urn:b", goodSchema.c_str());
        EXPECT_TRUE(validator.validate(ZOLFile(configured.c_str()))) << testsupport::render(log);
    }
}
