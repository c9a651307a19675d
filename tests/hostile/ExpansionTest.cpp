// Entity bombs against secure mode. Each runs in a child process under an alarm and,
// outside the address sanitizer, an address-space limit; the figures are printed.

#include "HostileSupport.h"

#include <string>

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
            report("  parseString (secure)", hostile::runBounded([&] { return viaString(b.doc, true); }, 60, 2048));
        const ChildResult v =
            report("  validator (secure)", hostile::runBounded([&] { return viaValidator(path, true); }, 60, 2048));
        for (const ChildResult& r : {s, v}) {
            EXPECT_EQ(REJECTED_WITH_RECORD, r.exitCode) << b.name << ": " << hostile::describe(r);
            // Generous bounds: the guard stops these in well under a second and 100 MB.
            EXPECT_LT(r.seconds, 30.0) << b.name;
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
