// A schema set loaded once and shared by validators: the answers and records of a validator
// with the same schemas and caching, its settings, and eight threads validating at once.

#include "TestSupport.h"

#include <ZOLFile.h>
#include <ZOLMemoryLog.h>
#include <ZOLSAX2SchemaSet.h>
#include <ZOLSAX2Validator.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

using testsupport::ScratchDir;

static_assert(!std::is_copy_constructible<ZOLSAX2SchemaSet>::value, "schema sets must not be copied");

namespace {

const char* const XS = "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' ";

// Schemas of three namespaces and none, sound and not, and documents touching each.
struct Files {
    ScratchDir dir;
    std::string t = dir.write("t.xsd", std::string(XS) + "targetNamespace='urn:t' xmlns='urn:t' "
                                                         "elementFormDefault='qualified'><xs:element name='n'>"
                                                         "<xs:complexType><xs:sequence><xs:element name='v' "
                                                         "type='xs:int' maxOccurs='2'/><xs:any namespace='##other' "
                                                         "processContents='strict' minOccurs='0'/></xs:sequence>"
                                                         "<xs:attribute name='a' type='xs:int' default='3'/>"
                                                         "</xs:complexType></xs:element></xs:schema>");
    std::string u = dir.write("u.xsd", std::string(XS) + "targetNamespace='urn:u'><xs:element name='w'>"
                                                         "<xs:simpleType><xs:restriction base='xs:string'>"
                                                         "<xs:pattern value='[a-z]+'/></xs:restriction>"
                                                         "</xs:simpleType></xs:element></xs:schema>");
    std::string plain = dir.write("plain.xsd", std::string(XS) + "><xs:element name='p' type='xs:date'/></xs:schema>");
    std::string dup = dir.write("dup.xsd", std::string(XS) + "targetNamespace='urn:t'>\n<xs:element name='n'/>\n"
                                                             "<xs:element name='n'/></xs:schema>");
    std::string notXml = dir.write("not-xml.xsd", "schema, honestly");
    std::string other = dir.write("other.xsd", std::string(XS) + "targetNamespace='urn:o'><xs:element name='n'/>"
                                                                 "</xs:schema>");

    std::vector<std::string> documents()
    {
        return {
            dir.write("good.xml", "<n xmlns='urn:t'><v>1</v><v>2</v></n>"),
            dir.write("bad.xml", "<n xmlns='urn:t' a='x'><v>one</v><v>2</v><v>3</v></n>"),
            dir.write("mixed.xml", "<n xmlns='urn:t'><v>1</v><w xmlns='urn:u'>abc</w></n>"),
            dir.write("mixed-bad.xml", "<n xmlns='urn:t'><v>1</v><w xmlns='urn:u'>ABC</w></n>"),
            dir.write("plain-good.xml", "<p>2026-12-06</p>"),
            dir.write("plain-bad.xml", "<p>yesterday</p>"),
            dir.write("unknown.xml", "<q xmlns='urn:q'/>"),
            dir.write("text.xml", "nothing"),
            dir.file("missing.xml"),
        };
    }
};

// The schemas of one case: pairs and a schema without namespace (empty: none).
struct Configuration {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::string noNamespace;
};

// "T" or "F" per document, then each record with its location data.
std::string run(ZOLSAX2Validator& validator, ZOLMemoryLog& log, Files& files)
{
    return testsupport::validateEach(validator, log, files.documents(), files.dir.getPath());
}

} // namespace

TEST(ZOLSAX2SchemaSet, GivesTheAnswersAndRecordsOfACachingValidator)
{
    Files f;
    const std::vector<Configuration> configurations = {
        {{{"urn:t", f.t}}, ""},
        {{{"urn:t", f.t}, {"urn:u", f.u}}, f.plain},
        {{}, f.plain},
        {{{"urn:t", f.t}, {"urn:u", f.dir.file("missing.xsd")}}, ""},
        {{{"urn:t", f.dup}}, ""},
        {{{"urn:t", f.notXml}}, ""},
        {{{"urn:t", f.other}}, ""},
        {{{"urn:t", "t.xsd"}}, ""},
    };
    // Loaded and shared, or not, per configuration.
    const std::string shared = "TTTFFFFF";
    std::string loaded;
    for (const Configuration& configuration : configurations) {
        for (int mode = 0; mode < 3; ++mode) {
            const bool strict = mode == 1;
            const bool secure = mode == 2;
            ZOLSAX2SchemaSet set;
            set.setSecureProcessing(secure);
            for (const auto& pair : configuration.pairs)
                set.addSchema(pair.first.c_str(), pair.second.c_str());
            if (!configuration.noNamespace.empty())
                set.addNoNamespaceSchemaLocation(configuration.noNamespace.c_str());
            if (mode == 0)
                loaded += set.load() ? "T" : "F";
            std::string traces[2];
            for (bool useSet : {false, true}) {
                ZOLMemoryLog log;
                ZOLSAX2Validator validator(&log);
                validator.setSchemaCaching(true);
                validator.setStrictValidation(strict);
                validator.setSecureProcessing(secure);
                if (useSet) {
                    set.load();
                    validator.setSchemaSet(&set);
                } else {
                    for (const auto& pair : configuration.pairs)
                        validator.addSchema(pair.first.c_str(), pair.second.c_str());
                    if (!configuration.noNamespace.empty())
                        validator.addNoNamespaceSchemaLocation(configuration.noNamespace.c_str());
                }
                traces[useSet] = run(validator, log, f);
            }
            EXPECT_EQ(traces[0], traces[1]) << (configuration.pairs.empty() ? "" : configuration.pairs[0].second)
                                            << " + " << configuration.noNamespace << ", mode " << mode;
        }
    }
    EXPECT_EQ(shared, loaded);
}

TEST(ZOLSAX2SchemaSet, RefusesAValidatorWhoseSettingsDifferFromThoseItWasLoadedWith)
{
    Files f;
    const std::string doc = f.documents()[0];
    // Two resolvers that decline everything; the set is loaded with the first.
    struct Declining {
        static bool one(void*, int, const char*, const char*, const char*, ZOLSAX2Resolved*) { return false; }
        static bool two(void*, int, const char*, const char*, const char*, ZOLSAX2Resolved*) { return false; }
    };
    int context = 0;
    struct Case {
        const char* name;
        std::function<void(ZOLSAX2Validator&)> change;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"same", [](ZOLSAX2Validator&) {}, "T\n"},
        {"strict", [](ZOLSAX2Validator& v) { v.setStrictValidation(true); }, "T\n"},
        {"secure", [](ZOLSAX2Validator& v) { v.setSecureProcessing(true); },
         "F\nWARNING ZSAX_W0001 (0:0): schema set not used: it was loaded with secure processing off @ good.xml:0:0 "
         "ERROR\n"},
        {"protection", [](ZOLSAX2Validator& v) { v.setAmplificationProtection(true); },
         "F\nWARNING ZSAX_W0001 (0:0): schema set not used: it was loaded with amplification protection off @ "
         "good.xml:0:0 ERROR\n"},
        {"checking", [](ZOLSAX2Validator& v) { v.setSchemaFullChecking(false); },
         "F\nWARNING ZSAX_W0001 (0:0): schema set not used: it was loaded with full schema checking on @ "
         "good.xml:0:0 ERROR\n"},
        {"resolver context", [&](ZOLSAX2Validator& v) { v.setResolver(&Declining::one, &context); }, "T\n"},
        {"resolver", [&](ZOLSAX2Validator& v) { v.setResolver(&Declining::two, nullptr); },
         "F\nWARNING ZSAX_W0001 (0:0): schema set not used: it was loaded with another resolver @ good.xml:0:0 "
         "ERROR\n"},
        {"no resolver", [&](ZOLSAX2Validator& v) { v.setResolver(nullptr, nullptr); },
         "F\nWARNING ZSAX_W0001 (0:0): schema set not used: it was loaded with another resolver @ good.xml:0:0 "
         "ERROR\n"},
        // A later change of the configured schemas ends the use of the set, and its checks.
        {"schemas",
         [&](ZOLSAX2Validator& v) {
             v.setSecureProcessing(true);
             v.addSchemaLocation("urn:t", f.t.c_str());
         },
         "T\n"},
    };
    ZOLSAX2SchemaSet set;
    set.addSchema("urn:t", f.t.c_str());
    set.setResolver(&Declining::one, nullptr);
    ASSERT_TRUE(set.load());
    for (const Case& c : cases) {
        ZOLMemoryLog log;
        ZOLSAX2Validator validator(&log);
        validator.setResolver(&Declining::one, nullptr);
        validator.setSchemaSet(&set);
        c.change(validator);
        const std::string answer = validator.validate(ZOLFile(doc.c_str())) ? "T" : "F";
        EXPECT_EQ(c.expected, answer + "\n" + testsupport::renderLocated(log, f.dir.getPath() + "/")) << c.name;
    }
}

TEST(ZOLSAX2SchemaSet, IsFixedOnceLoadedAndReadsEachSchemaOnceForAllItsValidators)
{
    Files f;
    // The pair's schema in two documents; the included one is read through the resolver.
    const std::string part = f.dir.write("u-part.xsd", std::string(XS) + "targetNamespace='urn:u'><xs:simpleType "
                                                                         "name='word'><xs:restriction base='xs:string'>"
                                                                         "<xs:pattern value='[a-z]+'/></xs:restriction>"
                                                                         "</xs:simpleType></xs:schema>");
    const std::string whole = f.dir.write("u-whole.xsd", std::string(XS) + "targetNamespace='urn:u' xmlns='urn:u'>"
                                                                           "<xs:include schemaLocation='u-part.xsd'/>"
                                                                           "<xs:element name='w' type='word'/>"
                                                                           "</xs:schema>");
    // Counts the requests for the included schema and declines them all.
    struct Counter {
        std::atomic<int> parts{0};
        static bool resolve(void* context, int, const char*, const char* systemId, const char*, ZOLSAX2Resolved*)
        {
            if (std::strstr(systemId, "u-part.xsd") != nullptr)
                ++static_cast<Counter*>(context)->parts;
            return false;
        }
    } counter;
    ZOLSAX2SchemaSet set;
    set.setResolver(&Counter::resolve, &counter);
    set.addSchema("urn:u", whole.c_str());
    set.addSchema("urn:t", f.t.c_str());
    EXPECT_TRUE(set.load());
    set.addSchema("urn:t", f.dup.c_str());
    set.setSecureProcessing(true);
    EXPECT_TRUE(set.load());
    std::string answers;
    for (int i = 0; i < 4; ++i) {
        ZOLMemoryLog log;
        ZOLSAX2Validator validator(&log);
        validator.setResolver(&Counter::resolve, &counter);
        // Caching asks to load, which a loaded set makes moot: its grammars are locked.
        validator.setSchemaCaching(true);
        validator.setSchemaSet(&set);
        EXPECT_TRUE(validator.loadSchemas());
        for (const std::string& doc : f.documents())
            answers += validator.validate(ZOLFile(doc.c_str())) ? "T" : "F";
        answers += " ";
    }
    EXPECT_EQ("TFTFFFFFF TFTFFFFFF TFTFFFFFF TFTFFFFFF ", answers);
    EXPECT_EQ(1, counter.parts.load());
}

TEST(ZOLSAX2SchemaSet, EightThreadsValidateWithOneSetAndGiveTheAnswersOfSeparateValidators)
{
    Files f;
    ZOLSAX2SchemaSet set;
    set.addSchema("urn:t", f.t.c_str());
    set.addSchema("urn:u", f.u.c_str());
    set.addNoNamespaceSchemaLocation(f.plain.c_str());
    ASSERT_TRUE(set.load());
    const std::vector<std::string> documents = f.documents();
    // The answers and records of a validator of its own, document by document.
    const auto trace = [&](ZOLSAX2Validator& validator, ZOLMemoryLog& log, std::size_t rounds) {
        std::string out;
        for (std::size_t r = 0; r < rounds; ++r)
            for (const std::string& doc : documents) {
                log.clear();
                out += validator.validate(ZOLFile(doc.c_str())) ? "T " : "F ";
                out += testsupport::renderLocated(log, f.dir.getPath());
            }
        return out;
    };
    std::string expected;
    {
        ZOLMemoryLog log;
        ZOLSAX2Validator alone(&log);
        alone.addSchema("urn:t", f.t.c_str());
        alone.addSchema("urn:u", f.u.c_str());
        alone.addNoNamespaceSchemaLocation(f.plain.c_str());
        expected = trace(alone, log, 5);
    }
    std::vector<std::string> traces(8);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < traces.size(); ++t)
        threads.emplace_back([&, t] {
            ZOLMemoryLog log;
            ZOLSAX2Validator validator(&log);
            validator.setSchemaSet(&set);
            traces[t] = trace(validator, log, 5);
        });
    for (std::thread& thread : threads)
        thread.join();
    for (std::size_t t = 0; t < traces.size(); ++t)
        EXPECT_EQ(expected, traces[t]) << "thread " << t;
}
