// Entity bombs against secure mode: too many expansions, and too much text from few of
// them. Each runs in a child process bounded in processor time and, outside the address
// sanitizer, in address space; the figures are printed.

#include "HostileSupport.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using hostile::ChildResult;
using hostile::Outcome;

namespace {

// Exit codes of the children.
constexpr int ACCEPTED = 0;
constexpr int REJECTED_WITH_RECORD = 10;
constexpr int REJECTED_SILENTLY = 11;

// The classic: ten levels of ten references each, 10^9 "lol"s when expanded.
std::string billionLaughs()
{
    std::string doc = "<?xml version='1.0'?>\n<!DOCTYPE lolz [\n<!ENTITY lol0 'lol'>\n";
    for (int i = 1; i <= 9; ++i) {
        doc += "<!ENTITY lol" + std::to_string(i) + " '";
        for (int j = 0; j < 10; ++j)
            doc += "&lol" + std::to_string(i - 1) + ";";
        doc += "'>\n";
    }
    return doc + "]>\n<lolz a='&lol9;'>&lol9;</lolz>\n";
}

// One 4,000-character entity referenced 30,000 times in an attribute value.
std::string quadraticBlowup()
{
    std::string doc = "<!DOCTYPE r [<!ENTITY a '" + std::string(4000, 'x') + "'>]>\n<r a='";
    for (int i = 0; i < 30000; ++i)
        doc += "&a;";
    return doc + "'/>\n";
}

int classify(const Outcome& o, bool failed)
{
    if (!failed)
        return ACCEPTED;
    return o.log.empty() ? REJECTED_SILENTLY : REJECTED_WITH_RECORD;
}

int viaString(const std::string& doc, bool secure)
{
    const Outcome o = hostile::parseString(doc, secure);
    if (!o.exception.empty())
        std::printf("  %s  %s", o.exception.c_str(), o.log.substr(0, 300).c_str());
    return classify(o, !o.exception.empty());
}

int viaValidator(const std::string& path, bool secure)
{
    const Outcome o = hostile::validate(path, secure);
    return classify(o, !o.valid);
}

ChildResult report(const char* what, const ChildResult& r)
{
    std::printf("[ figures  ] %-44s %s\n", what, hostile::describe(r).c_str());
    return r;
}

} // namespace

TEST(Expansion, SecureModeStopsBillionLaughsAndQuadraticBlowup)
{
    testsupport::ScratchDir dir;
    struct Bomb {
        const char* name;
        std::string doc;
    } bombs[] = {{"billion laughs", billionLaughs()}, {"quadratic blow-up", quadraticBlowup()}};
    for (const Bomb& b : bombs) {
        const std::string path = dir.write("bomb.xml", b.doc);
        std::printf("[ figures  ] %s: %zu bytes\n", b.name, b.doc.size());
        const ChildResult s =
            report("  parseString (secure)", hostile::runBounded([&] { return viaString(b.doc, true); }, 30, 2048));
        const ChildResult v =
            report("  validator (secure)", hostile::runBounded([&] { return viaValidator(path, true); }, 30, 2048));
        for (const ChildResult& r : {s, v}) {
            EXPECT_EQ(REJECTED_WITH_RECORD, r.exitCode) << b.name << ": " << hostile::describe(r);
            // A generous bound: the guard stops these in well under a second and 100 MB.
            EXPECT_LT(r.maxRssKb, 1024L * 1024) << b.name;
        }
    }
    // The record says why.
    const Outcome o = hostile::parseString(billionLaughs(), true);
    EXPECT_NE(std::string::npos, o.log.find("more than '1000' entity expansions")) << o.log;
}

TEST(Expansion, UpToTheLimitEntityReferencesStillParse)
{
    std::string doc = "<!DOCTYPE r [<!ENTITY e 'x'>]><r>";
    for (int i = 0; i < 1000; ++i)
        doc += "&e;&amp;";
    doc += "</r>";
    const Outcome o = hostile::parseString(doc, true);
    EXPECT_EQ("", o.exception) << o.log;
    EXPECT_EQ(2000u + 7, o.trace.size()); // (r "..." )r around 2,000 characters
    const Outcome over = hostile::parseString(doc.substr(0, doc.size() - 4) + "&e;</r>", true);
    EXPECT_NE("", over.exception);
}

namespace {

std::string repeat(const std::string& text, int times)
{
    std::string out;
    out.reserve(text.size() * static_cast<std::size_t>(times));
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

// Documents that stay within 1,000 expansions and produce hundreds of megabytes to
// gigabytes of text from at most a megabyte.
struct Amplifier {
    const char* name;
    std::string doc;
};

std::vector<Amplifier> amplifiers()
{
    const std::string nested = "<!ENTITY e0 '" + std::string(100000, 'n') + "'>\n<!ENTITY e1 '" + repeat("&e0;", 10) +
                               "'>\n<!ENTITY e2 '" + repeat("&e1;", 10) + "'>\n";
    std::string defaults;
    for (int i = 0; i < 20; ++i)
        defaults += "<!ATTLIST e a" + std::to_string(i) + " CDATA '" + std::string(50000, 'd') + "'>\n";
    return {
        {"100 KB default attribute, 100,000 elements", "<!DOCTYPE r [<!ATTLIST e a CDATA '" + std::string(100000, 'x') +
                                                           "'>]>\n<r>" + repeat("<e/>", 100000) + "</r>\n"},
        {"default of 10 entity references, 20,000 elements", "<!DOCTYPE r [<!ENTITY x '" + std::string(10000, 'y') +
                                                                 "'>\n<!ATTLIST e a CDATA '" + repeat("&x;", 10) +
                                                                 "'>]>\n<r>" + repeat("<e/>", 20000) + "</r>\n"},
        {"999 x 300 KB entity in an attribute",
         "<!DOCTYPE r [<!ENTITY a '" + std::string(300000, 'z') + "'>]>\n<r a='" + repeat("&a;", 999) + "'/>\n"},
        {"999 x 1 MB entity in text",
         "<!DOCTYPE r [<!ENTITY a '" + std::string(1000000, 't') + "'>]>\n<r>" + repeat("&a;", 999) + "</r>\n"},
        {"nested entities in an attribute", "<!DOCTYPE r [" + nested + "]>\n<r a='" + repeat("&e2;", 9) + "'/>\n"},
        {"nested entities in text", "<!DOCTYPE r [" + nested + "]>\n<r>" + repeat("&e2;", 9) + "</r>\n"},
        {"20 defaulted 50 KB attributes, 5,000 elements",
         "<!DOCTYPE r [" + defaults + "]>\n<r>" + repeat("<e/>", 5000) + "</r>\n"},
    };
}

const char AMPLIFICATION[] = "more than the amplification limit allows";

// Callbacks that look at every string and keep nothing, so that the child's memory is the
// library's.
struct Tally {
    std::size_t bytes = 0;
    static void onStart(void* u, const char* name, const char** attributes)
    {
        Tally* t = static_cast<Tally*>(u);
        t->bytes += std::strlen(name);
        for (const char** a = attributes; a[0] != nullptr; a += 2)
            t->bytes += std::strlen(a[0]) + std::strlen(a[1]);
    }
    static void onEnd(void* u, const char* name) { static_cast<Tally*>(u)->bytes += std::strlen(name); }
    static void onCharacters(void* u, const char*, int length)
    {
        static_cast<Tally*>(u)->bytes += static_cast<std::size_t>(length);
    }
};

// The exit code of a child that parsed or validated: refused with the amplification record,
// refused otherwise, or accepted.
int verdict(bool failed, const ZOLMemoryLog& log)
{
    if (!failed)
        return ACCEPTED;
    return testsupport::render(log).find(AMPLIFICATION) == std::string::npos ? REJECTED_SILENTLY : REJECTED_WITH_RECORD;
}

int parseAmplifier(const std::string& doc, const std::string& path)
{
    ZOLMemoryLog log;
    Tally tally;
    ZOLSAX2Parser parser(&tally, &log, Tally::onStart, Tally::onEnd, Tally::onCharacters, nullptr);
    parser.setSecureProcessing(true);
    bool failed = false;
    try {
        if (path.empty()) {
            ZOLString text;
            hostile::setText(text, doc);
            parser.parseString(text);
        } else {
            parser.parseFile(ZOLFile(path.c_str()));
        }
    } catch (const ZOLException&) {
        failed = true;
    }
    return verdict(failed, log);
}

int validateAmplifier(const std::string& path)
{
    ZOLMemoryLog log;
    ZOLSAX2Validator validator(&log);
    validator.setSecureProcessing(true);
    return verdict(!validator.validate(ZOLFile(path.c_str())), log);
}

} // namespace

TEST(Expansion, SecureModeStopsAmplificationEarly)
{
    testsupport::ScratchDir dir;
    for (const Amplifier& a : amplifiers()) {
        const std::string path = dir.write("amplifier.xml", a.doc);
        std::printf("[ figures  ] %s: %zu bytes\n", a.name, a.doc.size());
        const ChildResult results[] = {
            report("  parseString (secure)", hostile::runBounded([&] { return parseAmplifier(a.doc, ""); }, 10, 1024)),
            report("  parseFile (secure)", hostile::runBounded([&] { return parseAmplifier("", path); }, 10, 1024)),
            report("  validator (secure)", hostile::runBounded([&] { return validateAmplifier(path); }, 10, 1024)),
        };
        for (const ChildResult& r : results) {
            EXPECT_EQ(REJECTED_WITH_RECORD, r.exitCode) << a.name << ": " << hostile::describe(r);
            // Stopped before the reader holds much: the sanitizer's own memory aside.
            if (!hostile::ADDRESS_SANITIZER) {
                EXPECT_LT(r.maxRssKb, 128L * 1024) << a.name;
            }
        }
    }
}

namespace {

// 200 references to a 1,000-character entity: 200,000 characters from 1,660 bytes.
std::string twoHundredThousand()
{
    return "<!DOCTYPE r [<!ELEMENT r (#PCDATA)><!ENTITY a '" + std::string(1000, 'a') + "'>]>\n<r>\n" +
           repeat("&a;", 200) + "</r>";
}

std::string parseWithLimit(const std::string& doc, bool secure, double ratio, unsigned long long activation)
{
    ZOLMemoryLog log;
    Tally tally;
    ZOLSAX2Parser parser(&tally, &log, Tally::onStart, Tally::onEnd, Tally::onCharacters, nullptr);
    parser.setSecureProcessing(secure);
    EXPECT_TRUE(parser.setAmplificationLimit(ratio, activation));
    const std::string thrown = testsupport::thrownMessage([&] { parser.parseString(doc.c_str()); });
    return thrown == "<no exception>" ? std::to_string(tally.bytes) : testsupport::renderLocated(log, "");
}

} // namespace

TEST(Expansion, AmplificationLimitIsTheCallersToSet)
{
    const std::string doc = twoHundredThousand();
    // Below the default activation threshold of 8 MiB, any ratio passes.
    EXPECT_EQ("200003", parseWithLimit(doc, true, 20, 8u << 20));
    // With the threshold at 64 KiB, the document is refused at the reference that takes it
    // over 20 times its size, with the position the reader reached.
    EXPECT_EQ("WARNING ZSAX_W0001 (3:196): entity expansion and default attributes produced 64000 characters from "
              "1660 bytes of input, more than the amplification limit allows @ memory:3:196 FATAL\n",
              parseWithLimit(doc, true, 20, 64u << 10));
    // A ratio above the document's own lets it pass; the default mode has no such limit.
    EXPECT_EQ("200003", parseWithLimit(doc, true, 200, 64u << 10));
    EXPECT_EQ("200003", parseWithLimit(doc, false, 1, 0));

    ZOLMemoryLog log;
    ZOLSAX2Parser parser(nullptr, &log, nullptr, nullptr, nullptr, nullptr);
    ZOLSAX2Validator validator(&log);
    for (double bad : {0.5, -1.0, std::nan("")}) {
        EXPECT_FALSE(parser.setAmplificationLimit(bad, 0));
        EXPECT_FALSE(validator.setAmplificationLimit(bad, 0));
    }
    testsupport::ScratchDir dir;
    const std::string path = dir.write("doc.xml", doc);
    validator.setSecureProcessing(true);
    EXPECT_TRUE(validator.validate(ZOLFile(path.c_str()))) << testsupport::render(log);
    EXPECT_TRUE(validator.setAmplificationLimit(20, 64u << 10));
    log.clear();
    EXPECT_FALSE(validator.validate(ZOLFile(path.c_str())));
    EXPECT_NE(std::string::npos, testsupport::render(log).find(AMPLIFICATION)) << testsupport::render(log);
}

TEST(Expansion, SameParserAndValidatorWorkAfterARefusal)
{
    // Refused at a request for memory (the attribute) and from a report (the defaults).
    const std::string inAttribute =
        "<!DOCTYPE r [<!ENTITY a '" + std::string(1000, 'a') + "'>]>\n<r a='" + repeat("&a;", 200) + "'/>";
    const std::string inDefaults =
        "<!DOCTYPE r [<!ATTLIST e a CDATA '" + std::string(1000, 'd') + "'>]>\n<r>" + repeat("<e/>", 200) + "</r>";
    testsupport::ScratchDir dir;
    const std::string good = dir.write("good.xml", "<r><s/></r>");
    ZOLMemoryLog log;
    testsupport::Trace trace;
    ZOLSAX2Parser parser(&trace, &log, testsupport::Trace::onStart, testsupport::Trace::onEnd,
                         testsupport::Trace::onCharacters, nullptr);
    ZOLSAX2Validator validator(&log);
    parser.setSecureProcessing(true);
    parser.setAmplificationLimit(20, 64u << 10);
    validator.setSecureProcessing(true);
    validator.setAmplificationLimit(20, 64u << 10);
    for (const std::string& bomb : {inAttribute, inDefaults, inAttribute}) {
        log.clear();
        EXPECT_EQ("[ZSAX_F0005] Failed to parse XML file: memory",
                  testsupport::thrownMessage([&] { parser.parseString(bomb.c_str()); }));
        EXPECT_NE(std::string::npos, testsupport::render(log).find(AMPLIFICATION)) << testsupport::render(log);
        trace = testsupport::Trace();
        parser.parseString("<r><s/></r>");
        EXPECT_EQ("(r (s )s)r", trace.str());

        const std::string path = dir.write("bomb.xml", bomb);
        log.clear();
        EXPECT_FALSE(validator.validate(ZOLFile(path.c_str())));
        EXPECT_NE(std::string::npos, testsupport::render(log).find(AMPLIFICATION)) << testsupport::render(log);
        log.clear();
        EXPECT_TRUE(validator.validate(ZOLFile(good.c_str()))) << testsupport::render(log);
    }
}
