// Entity bombs against secure mode: too many expansions, and too much text from few of
// them. Each runs in a child process bounded in processor time and, outside the address
// sanitizer, in address space and peak memory; the figures are printed.

#include "HostileSupport.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using hostile::ChildResult;
using hostile::Outcome;

namespace {

// Exit codes of the children.
constexpr int ACCEPTED = 0;
constexpr int REJECTED_WITH_RECORD = 10;
constexpr int REJECTED_SILENTLY = 11;

std::string repeat(const std::string& text, int times)
{
    std::string out;
    out.reserve(text.size() * static_cast<std::size_t>(times));
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

const char EXPANSIONS[] = "more than '1000' entity expansions";
const char AMPLIFICATION[] = "more than the amplification limit allows";

// A document and the record that refuses it.
struct Bomb {
    const char* name;
    std::string doc;
    const char* record;
};

// The classic bombs, with too many expansions, and documents that stay within 1,000
// expansions and produce hundreds of megabytes to gigabytes of text from at most a megabyte.
std::vector<Bomb> bombs()
{
    // Ten levels of ten references each, 10^9 "lol"s when expanded.
    std::string laughs = "<?xml version='1.0'?>\n<!DOCTYPE lolz [\n<!ENTITY lol0 'lol'>\n";
    for (int i = 1; i <= 9; ++i)
        laughs += "<!ENTITY lol" + std::to_string(i) + " '" + repeat("&lol" + std::to_string(i - 1) + ";", 10) + "'>\n";
    laughs += "]>\n<lolz a='&lol9;'>&lol9;</lolz>\n";
    const std::string nested = "<!ENTITY e0 '" + std::string(100000, 'n') + "'>\n<!ENTITY e1 '" + repeat("&e0;", 10) +
                               "'>\n<!ENTITY e2 '" + repeat("&e1;", 10) + "'>\n";
    const std::string padding = repeat("<!--" + std::string(1017, 'p') + "-->\n", 16 * 1024);
    const std::string hundredKb(100000, 'h');
    std::string defaults;
    for (int i = 0; i < 20; ++i)
        defaults += "<!ATTLIST e a" + std::to_string(i) + " CDATA '" + std::string(50000, 'd') + "'>\n";
    return {
        {"billion laughs", laughs, EXPANSIONS},
        {"quadratic blow-up: 30,000 x 4 KB entity in an attribute",
         "<!DOCTYPE r [<!ENTITY a '" + std::string(4000, 'x') + "'>]>\n<r a='" + repeat("&a;", 30000) + "'/>\n",
         EXPANSIONS},
        {"100 KB default attribute, 100,000 elements",
         "<!DOCTYPE r [<!ATTLIST e a CDATA '" + std::string(100000, 'x') + "'>]>\n<r>" + repeat("<e/>", 100000) +
             "</r>\n",
         AMPLIFICATION},
        {"default of 10 entity references, 20,000 elements",
         "<!DOCTYPE r [<!ENTITY x '" + std::string(10000, 'y') + "'>\n<!ATTLIST e a CDATA '" + repeat("&x;", 10) +
             "'>]>\n<r>" + repeat("<e/>", 20000) + "</r>\n",
         AMPLIFICATION},
        {"999 x 300 KB entity in an attribute",
         "<!DOCTYPE r [<!ENTITY a '" + std::string(300000, 'z') + "'>]>\n<r a='" + repeat("&a;", 999) + "'/>\n",
         AMPLIFICATION},
        {"999 x 1 MB entity in text",
         "<!DOCTYPE r [<!ENTITY a '" + std::string(1000000, 't') + "'>]>\n<r>" + repeat("&a;", 999) + "</r>\n",
         AMPLIFICATION},
        {"nested entities in an attribute", "<!DOCTYPE r [" + nested + "]>\n<r a='" + repeat("&e2;", 9) + "'/>\n",
         AMPLIFICATION},
        {"nested entities in text", "<!DOCTYPE r [" + nested + "]>\n<r>" + repeat("&e2;", 9) + "</r>\n", AMPLIFICATION},
        {"20 defaulted 50 KB attributes, 5,000 elements",
         "<!DOCTYPE r [" + defaults + "]>\n<r>" + repeat("<e/>", 5000) + "</r>\n", AMPLIFICATION},
        // Padding raises what the ratio allows; the cap holds whatever the input size.
        {"16 MiB of comments, 999 x 100 KB entity in an attribute",
         padding + "<!DOCTYPE r [<!ENTITY a '" + hundredKb + "'>]>\n<r a='" + repeat("&a;", 999) + "'/>\n",
         AMPLIFICATION},
        {"16 MiB of comments, 999 x 100 KB entity in text",
         padding + "<!DOCTYPE r [<!ENTITY a '" + hundredKb + "'>]>\n<r>" + repeat("&a;", 999) + "</r>\n",
         AMPLIFICATION},
        {"16 MiB of comments, 100 KB default attribute, 2,000 elements",
         padding + "<!DOCTYPE r [<!ATTLIST e a CDATA '" + hundredKb + "'>]>\n<r>" + repeat("<e/>", 2000) + "</r>\n",
         AMPLIFICATION},
    };
}

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

// The exit code of a child that parsed or validated: refused with the record, refused
// otherwise, or accepted.
int verdict(bool failed, const ZOLMemoryLog& log, const char* record)
{
    if (!failed)
        return ACCEPTED;
    return testsupport::render(log).find(record) == std::string::npos ? REJECTED_SILENTLY : REJECTED_WITH_RECORD;
}

// Runs b in secure mode through parseString, parseFile and the validator, each in a child.
std::vector<ChildResult> refuse(const Bomb& b, const std::string& path)
{
    const auto parse = [&](bool fromFile) {
        ZOLMemoryLog log;
        Tally tally;
        ZOLSAX2Parser parser(&tally, &log, Tally::onStart, Tally::onEnd, Tally::onCharacters, nullptr);
        parser.setSecureProcessing(true);
        ZOLString text;
        hostile::setText(text, b.doc);
        const std::string thrown = testsupport::thrownMessage([&] {
            if (fromFile)
                parser.parseFile(ZOLFile(path.c_str()));
            else
                parser.parseString(text);
        });
        return verdict(thrown != "<no exception>", log, b.record);
    };
    const auto validate = [&] {
        ZOLMemoryLog log;
        ZOLSAX2Validator validator(&log);
        validator.setSecureProcessing(true);
        return verdict(!validator.validate(ZOLFile(path.c_str())), log, b.record);
    };
    const std::pair<const char*, std::function<int()>> ways[] = {{"parseString", [&] { return parse(false); }},
                                                                 {"parseFile", [&] { return parse(true); }},
                                                                 {"validator", validate}};
    std::vector<ChildResult> results;
    for (const auto& [way, run] : ways) {
        results.push_back(hostile::runBounded(run, 10, 1024));
        std::printf("[ figures  ]   %-12s (secure) %s\n", way, hostile::describe(results.back()).c_str());
    }
    return results;
}

} // namespace

TEST(Expansion, SecureModeStopsBombsAndAmplificationEarly)
{
    testsupport::ScratchDir dir;
    for (const Bomb& b : bombs()) {
        const std::string path = dir.write("bomb.xml", b.doc);
        std::printf("[ figures  ] %s: %zu bytes\n", b.name, b.doc.size());
        for (const ChildResult& r : refuse(b, path)) {
            EXPECT_EQ(REJECTED_WITH_RECORD, r.exitCode) << b.name << ": " << hostile::describe(r);
            // Stopped before the reader holds much: the sanitizer's own memory aside.
            if (!hostile::ADDRESS_SANITIZER) {
                EXPECT_LT(r.maxRssKb, 128L * 1024) << b.name;
            }
        }
    }
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
    // 200 references to a 1,000-character entity: 200,000 characters from 1,660 bytes.
    const std::string doc = "<!DOCTYPE r [<!ELEMENT r (#PCDATA)><!ENTITY a '" + std::string(1000, 'a') + "'>]>\n<r>\n" +
                            repeat("&a;", 200) + "</r>";
    // Below the default activation threshold of 8 MiB, any ratio passes.
    EXPECT_EQ("200003", parseWithLimit(doc, true, 20, 8u << 20));
    // With the threshold at 64 KiB, the document is refused at the reference that takes it
    // over 20 times its size (each expansion counting a little beside its text), with the
    // position the reader reached.
    EXPECT_EQ("WARNING ZSAX_W0001 (3:187): entity expansion and default attributes produced 61000 characters from "
              "1660 bytes of input, more than the amplification limit allows @ memory:3:187 FATAL\n",
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
}

namespace {

// A parser whose start-tag callback tightens the amplification limit to 20 times over 64 KiB.
struct Tightening {
    ZOLSAX2Parser* parser = nullptr;
    std::string trace;
    static void onStart(void* u, const char* name, const char**)
    {
        auto* t = static_cast<Tightening*>(u);
        t->trace += std::string("(") + name;
        t->parser->setAmplificationLimit(20, 64u << 10);
    }
};

} // namespace

TEST(Expansion, LimitSetDuringAParseAppliesFromTheNext)
{
    const std::string doc =
        "<!DOCTYPE r [<!ENTITY a '" + std::string(1000, 'a') + "'>]>\n<r>" + repeat("&a;", 200) + "</r>";
    ZOLMemoryLog log;
    Tightening t;
    ZOLSAX2Parser parser(&t, &log, Tightening::onStart, nullptr, nullptr, nullptr);
    t.parser = &parser;
    parser.setSecureProcessing(true);
    // The running parse keeps the limit it started with; the next one has the new limit.
    EXPECT_EQ("<no exception>", testsupport::thrownMessage([&] { parser.parseString(doc.c_str()); }));
    EXPECT_EQ("[ZSAX_F0005] Failed to parse XML file: memory",
              testsupport::thrownMessage([&] { parser.parseString(doc.c_str()); }));
    EXPECT_EQ("(r(r", t.trace);
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
    testsupport::Traced t;
    ZOLMemoryLog& log = t.log;
    ZOLSAX2Parser& parser = t.parser;
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
        t.trace = testsupport::Trace();
        parser.parseString("<r><s/></r>");
        EXPECT_EQ("(r (s )s)r", t.trace.str());

        const std::string path = dir.write("bomb.xml", bomb);
        log.clear();
        EXPECT_FALSE(validator.validate(ZOLFile(path.c_str())));
        EXPECT_NE(std::string::npos, testsupport::render(log).find(AMPLIFICATION)) << testsupport::render(log);
        log.clear();
        EXPECT_TRUE(validator.validate(ZOLFile(good.c_str()))) << testsupport::render(log);
    }
}
