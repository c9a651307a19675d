#include "TestSupport.h"

#include <ZOLSAX2Catalog.h>
#include <ZOLSAX2CatalogIdentifiers.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using testsupport::ScratchDir;

namespace {

using Ids = ZOLSAX2CatalogIdentifiers;

const std::string dir = ZOLSAX2_CATALOG_DIR;

// The catalog's own folder as "@", so that expectations read as the catalog wrote them.
std::string masked(const ZOLString& found)
{
    std::string text = found.chars();
    if (text.compare(0, dir.size(), dir) == 0)
        text = "@" + text.substr(dir.size());
    return text.empty() ? "-" : text;
}

// A request: E(publicId, systemId) for resolveExternal, U(uri) for resolveURI.
struct Request {
    char kind;
    const char* publicId;
    const char* systemId;
};

std::string answer(const ZOLSAX2Catalog& catalog, const Request& r)
{
    return masked(r.kind == 'U' ? catalog.resolveURI(r.systemId) : catalog.resolveExternal(r.publicId, r.systemId));
}

// What the OASIS rules give for the test catalog, one request a line.
const std::vector<std::pair<Request, const char*>> resolutions = {
    // Exact entries; public identifiers are normalised on both sides, system identifiers
    // escaped on both sides.
    {{'E', "", "http://example.com/dtd/doc.dtd"}, "@/dtd/doc.dtd"},
    {{'E', "-//Example//DTD Doc V1//EN", ""}, "@/dtd/doc-public.dtd"},
    {{'E', " -//Example//DTD\tSpaced\n V1//EN  ", ""}, "@/dtd/spaced.dtd"},
    {{'E', "", "http://example.com/dtd/with%20space.dtd"}, "@/dtd/with-space.dtd"},
    {{'E', "", "http://example.com/dtd/with space.dtd"}, "@/dtd/with-space.dtd"},
    {{'U', "", "http://example.com/schema/doc.xsd"}, "@/xsd/doc.xsd"},
    {{'U', "", "urn:example:namespace"}, "file:///opt/schemas/namespace.xsd"},
    // System entries are not URI entries, nor the other way round.
    {{'U', "", "http://example.com/dtd/doc.dtd"}, "-"},
    {{'E', "", "http://example.com/schema/doc.xsd"}, "-"},
    // The longest rewrite prefix wins; the rest of the identifier is kept.
    {{'E', "", "http://example.com/rewrite/a/b.dtd"}, "@/rewritten/a/b.dtd"},
    {{'E', "", "http://example.com/rewrite/deep/x.dtd"}, "file:///opt/deep/x.dtd"},
    {{'U', "", "http://example.com/xsd/q.xsd"}, "@/xsd/rewritten/q.xsd"},
    // The longest suffix wins.
    {{'E', "", "http://anywhere.example.net/v1/common.ent"}, "@/ent/common.ent"},
    {{'E', "", "http://anywhere.example.net/v2/common.ent"}, "@/ent/common-v2.ent"},
    {{'U', "", "http://anywhere.example.net/common.xsd"}, "@/xsd/common.xsd"},
    {{'E', "", "http://anywhere.example.net/common.xsd"}, "-"},
    // System entries come before public ones, whatever their order in the file.
    {{'E', "-//Example//DTD Both//EN", "http://example.com/dtd/both.dtd"}, "@/dtd/both-by-system.dtd"},
    {{'E', "-//Example//DTD Both//EN", "http://example.com/dtd/unknown.dtd"}, "@/dtd/both-by-public.dtd"},
    // prefer="system": the public entry answers only when no system identifier is given.
    {{'E', "-//Example//DTD System Preferred//EN", ""}, "http://mirror.example.org/base/preferred.dtd"},
    {{'E', "-//Example//DTD System Preferred//EN", "http://example.com/dtd/unknown.dtd"}, "-"},
    // The same holds for delegatePublic.
    {{'E', "-//System Delegated//DTD X//EN", ""}, "@/delegated/system-delegated.dtd"},
    {{'E', "-//System Delegated//DTD X//EN", "http://example.com/dtd/unknown.dtd"}, "-"},
    // xml:base on a group, and on an entry within it.
    {{'E', "", "http://example.com/dtd/grouped.dtd"}, "http://mirror.example.org/base/grouped.dtd"},
    {{'E', "", "http://example.com/dtd/based.dtd"}, "@/sub/based.dtd"},
    {{'U', "", "http://example.com/schema/based.xsd"}, "@/sub/up/based.xsd"},
    // Delegation: the catalog of the longest matching prefix first.
    {{'E', "-//Delegated//DTD Short//EN", ""}, "@/delegated/short.dtd"},
    {{'E', "-//Delegated//DTD Long Name//EN", ""}, "@/delegated/long.dtd"},
    {{'E', "", "http://delegated.example.com/a.dtd"}, "@/delegated/a.dtd"},
    {{'U', "", "http://delegated.example.com/a.xsd"}, "@/delegated/a.xsd"},
    // A delegation that finds nothing ends the resolution, though next.xml has an entry.
    {{'E', "-//Delegated//DTD Unknown//EN", ""}, "-"},
    {{'E', "", "http://delegated.example.com/unknown.dtd"}, "-"},
    // A delegated system identifier drops the public identifier given with it.
    {{'E', "-//Example//DTD Doc V1//EN", "http://delegated.example.com/unknown.dtd"}, "-"},
    // nextCatalog is consulted only when the catalog itself has no answer.
    {{'E', "", "http://example.com/dtd/next.dtd"}, "@/next/next.dtd"},
    {{'U', "", "http://example.com/schema/next.xsd"}, "@/next/next.xsd"},
    // Entries inside an element of another namespace are ignored.
    {{'E', "", "http://example.com/dtd/ignored.dtd"}, "-"},
    // urn:publicid: URNs, as public identifier, system identifier and URI.
    {{'E', "urn:publicid:-:Example:DTD+Doc+V1:EN", ""}, "@/dtd/doc-public.dtd"},
    {{'E', "", "URN:publicid:-:Example:DTD+Doc+V1:EN"}, "@/dtd/doc-public.dtd"},
    {{'E', "-//Example//DTD Doc V1//EN", "urn:publicid:-:Example:DTD+Doc+V1:EN"}, "@/dtd/doc-public.dtd"},
    // A URN that contradicts the public identifier is dropped; the public identifier stays.
    {{'E', "-//Example//DTD Both//EN", "urn:publicid:-:Example:DTD+Doc+V1:EN"}, "@/dtd/both-by-public.dtd"},
    {{'U', "", "urn:publicid:-:Example:DTD+Doc+V1:EN"}, "@/dtd/doc-public.dtd"},
    {{'E', "urn:publicid:-:Example:DTD++Spaced+V1:EN+", ""}, "@/dtd/spaced.dtd"},
    // Nothing asked, nothing found.
    {{'E', "", ""}, "-"},
    {{'U', "", ""}, "-"},
    {{'E', "-//Nobody//DTD Nothing//EN", "http://nowhere.example.com/x.dtd"}, "-"},
};

std::string resolveAll(const ZOLSAX2Catalog& catalog)
{
    std::string out;
    for (const auto& [request, expected] : resolutions)
        out += std::string(request.publicId) + " " + request.systemId + " -> " + answer(catalog, request) + "\n";
    return out;
}

std::string expectedAll()
{
    std::string out;
    for (const auto& [request, expected] : resolutions)
        out += std::string(request.publicId) + " " + request.systemId + " -> " + expected + "\n";
    return out;
}

} // namespace

TEST(ZOLSAX2CatalogIdentifiers, NormaliseUnwrapAndResolve)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {Ids::normalizePublic("  -//A//DTD \t x\r\n y//EN \n"), "-//A//DTD x y//EN"},
        {Ids::normalizePublic(""), ""},
        {Ids::normalizeSystem("http://h/a b\"<>\\^`{|}%41\xc3\xa9"),
         "http://h/a%20b%22%3C%3E%5C%5E%60%7B%7C%7D%41%C3%A9"},
        {Ids::unwrapUrn("urn:publicid:-:OASIS:DTD+DocBook+XML+V4.5:EN"), "-//OASIS//DTD DocBook XML V4.5//EN"},
        {Ids::unwrapUrn("urn:publicid:a;b%2B%3a%2F%3B%27%3F%23%25%41"), "a::b+:/;'?#%%41"},
        {Ids::resolveAgainst("a.dtd", "/etc/xml/catalog"), "/etc/xml/a.dtd"},
        {Ids::resolveAgainst("../x/./a.dtd", "file:///etc/xml/catalog"), "file:///etc/x/a.dtd"},
        {Ids::resolveAgainst("/abs/a.dtd", "file:///etc/xml/catalog"), "file:///abs/a.dtd"},
        {Ids::resolveAgainst("a.dtd", "http://h"), "http://h/a.dtd"},
        {Ids::resolveAgainst("//other/a.dtd", "http://h/x/y"), "http://other/a.dtd"},
        {Ids::resolveAgainst("http://x/a.dtd", "/etc/xml/catalog"), "http://x/a.dtd"},
        {Ids::resolveAgainst("a.dtd", "catalog.xml"), "a.dtd"},
        {Ids::resolveAgainst("../../a.dtd", "tests/catalog.xml"), "../a.dtd"},
        {Ids::resolveAgainst("sub/", "dir/catalog.xml"), "dir/sub/"},
        {Ids::resolveAgainst("a.dtd", ""), "a.dtd"},
        {Ids::localPath("file:///usr/share/a%20b.dtd"), "/usr/share/a b.dtd"},
        {Ids::localPath("file://localhost/etc/x"), "/etc/x"},
        {Ids::localPath("file:/etc/x"), "/etc/x"},
        {Ids::localPath("file://server/etc/x"), ""},
        {Ids::localPath("http://h/x.dtd"), ""},
        {Ids::localPath("rel/a%20b.dtd"), "rel/a%20b.dtd"},
    };
    for (const auto& [actual, expected] : cases)
        EXPECT_EQ(actual, expected);
    EXPECT_TRUE(Ids::hasScheme("urn:x"));
    EXPECT_FALSE(Ids::hasScheme("/etc:x"));
}

TEST(ZOLSAX2Catalog, ResolvesAsTheOasisRulesSay)
{
    ZOLMemoryLog log;
    const ZOLSAX2Catalog catalog((dir + "/catalog.xml").c_str(), &log);
    EXPECT_EQ(testsupport::render(log), "");
    // catalog.xml, next.xml and the four delegated catalogs.
    EXPECT_EQ(catalog.fileCount(), 6u);
    EXPECT_EQ(resolveAll(catalog), expectedAll());
}

TEST(ZOLSAX2Catalog, FilesOfAListAreConsultedInOrder)
{
    ZOLMemoryLog log;
    const ZOLSAX2Catalog first((dir + "/next.xml " + dir + "/catalog.xml").c_str(), &log);
    EXPECT_EQ(masked(first.resolveExternal("-//Example//DTD Doc V1//EN", "")), "@/next/not-first.dtd");
    const ZOLString files[] = {(dir + "/catalog.xml").c_str(), ("file://" + dir + "/next.xml").c_str()};
    const ZOLSAX2Catalog second(files, 2, &log);
    EXPECT_EQ(masked(second.resolveExternal("-//Example//DTD Doc V1//EN", "")), "@/dtd/doc-public.dtd");
    // next.xml is read once, though named twice (as a path and as a URL).
    EXPECT_EQ(second.fileCount(), 6u);
    EXPECT_EQ(testsupport::render(log), "");
}

TEST(ZOLSAX2Catalog, FilesItCannotUseAreWarningsAndContributeNothing)
{
    ScratchDir scratch;
    ZOLMemoryLog log;
    const std::string list = dir + "/broken.xml " + dir + "/not-a-catalog.xml " + dir + "/chains-to-missing.xml " +
                             "http://example.com/catalog.xml " + scratch.write("empty.xml", "") + " " +
                             scratch.write("not-xml.xml", "\x01\x02 no") + " " + dir + "/catalog.xml";
    const ZOLSAX2Catalog catalog(list.c_str(), &log);
    std::string records = testsupport::renderLocated(log, dir + "/");
    for (std::size_t at = records.find(scratch.getPath()); at != std::string::npos;
         at = records.find(scratch.getPath()))
        records.replace(at, scratch.getPath().size(), "~");
    EXPECT_EQ(records,
              "WARNING ZSAX_W0001 (4:3): expected end of tag 'system' @ broken.xml:4:3 FATAL\n"
              "WARNING ZSAX_W0001 (0:0): catalog '" +
                  dir +
                  "/broken.xml' ignored: it could not be parsed @ broken.xml:0:0 WARNING\n"
                  "WARNING ZSAX_W0001 (0:0): catalog '" +
                  dir +
                  "/not-a-catalog.xml' ignored: its document element is 'catalog' in no namespace, not "
                  "'catalog' in urn:oasis:names:tc:entity:xmlns:xml:catalog @ not-a-catalog.xml:0:0 WARNING\n"
                  "WARNING ZSAX_W0001 (5:35): catalog: entry 'system' lacks its systemId attribute; ignored "
                  "@ chains-to-missing.xml:5:35 WARNING\n"
                  "WARNING ZSAX_W0001 (0:0): catalog 'http://example.com/catalog.xml' not read: catalogs are read "
                  "from local files only @ http://example.com/catalog.xml:0:0 WARNING\n"
                  "WARNING ZSAX_W0001 (1:1): An XML format error occurred during parsing the file (1:1): Please "
                  "make sure the file is in the XML format @ ~/empty.xml:1:1 FATAL\n"
                  "WARNING ZSAX_W0001 (0:0): catalog '~/empty.xml' ignored: it could not be parsed @ "
                  "~/empty.xml:0:0 WARNING\n"
                  "WARNING ZSAX_W0001 (1:1): An XML format error occurred during parsing the file (1:1): Please "
                  "make sure the file is in the XML format @ ~/not-xml.xml:1:1 FATAL\n"
                  "WARNING ZSAX_W0001 (0:0): catalog '~/not-xml.xml' ignored: it could not be parsed @ "
                  "~/not-xml.xml:0:0 WARNING\n"
                  "WARNING ZSAX_W0001 (0:0): catalog '" +
                  dir + "/missing.xml' not read: No such file or directory @ missing.xml:0:0 WARNING\n");
    // The files that could be read still answer, the rest of a file that chains to a
    // missing one included.
    EXPECT_EQ(masked(catalog.resolveExternal("", "http://example.com/dtd/kept.dtd")), "@/kept.dtd");
    EXPECT_EQ(masked(catalog.resolveExternal("", "http://example.com/dtd/broken.dtd")), "-");
    EXPECT_EQ(masked(catalog.resolveExternal("", "http://example.com/dtd/doc.dtd")), "@/dtd/doc.dtd");
}

TEST(ZOLSAX2Catalog, CatalogsThatChainToThemselvesEnd)
{
    ZOLMemoryLog log;
    const ZOLSAX2Catalog catalog((dir + "/cycle.xml").c_str(), &log);
    EXPECT_EQ(masked(catalog.resolveExternal("", "http://cycle.example.com/x.dtd")), "-");
    EXPECT_EQ(masked(catalog.resolveExternal("-//A//DTD B//EN", "http://other.example.com/x.dtd")), "-");
    EXPECT_EQ(catalog.fileCount(), 1u);
    EXPECT_EQ(testsupport::render(log), "");
}

TEST(ZOLSAX2Catalog, LongChainsOfCatalogsEndWithoutExhaustingTheStack)
{
    ScratchDir scratch;
    const int length = 2000;
    for (int i = 0; i < length; ++i) {
        const std::string entry = i + 1 < length ? "<nextCatalog catalog='c" + std::to_string(i + 1) + ".xml'/>"
                                                 : "<system systemId='http://x/end.dtd' uri='end.dtd'/>";
        scratch.write("c" + std::to_string(i) + ".xml",
                      "<catalog xmlns='urn:oasis:names:tc:entity:xmlns:xml:catalog'>" + entry + "</catalog>");
    }
    scratch.write("near.xml", "<catalog xmlns='urn:oasis:names:tc:entity:xmlns:xml:catalog'>"
                              "<nextCatalog catalog='c1990.xml'/></catalog>");
    ZOLMemoryLog log;
    const ZOLSAX2Catalog far(scratch.file("c0.xml").c_str(), &log);
    EXPECT_EQ(far.fileCount(), static_cast<std::size_t>(length));
    // The end lies beyond the chain the resolution follows; from near it is reached.
    EXPECT_EQ(far.resolveExternal("", "http://x/end.dtd"), "");
    const ZOLSAX2Catalog near(scratch.file("near.xml").c_str(), &log);
    EXPECT_EQ(near.resolveExternal("", "http://x/end.dtd"), (scratch.file("end.dtd")).c_str());
    EXPECT_EQ(testsupport::render(log), "");
}

TEST(ZOLSAX2Catalog, ConventionalFilesTakeTheVariableElseEtcXmlCatalog)
{
    EXPECT_EQ(ZOLSAX2Catalog::conventionalFiles(nullptr), "/etc/xml/catalog");
    EXPECT_EQ(ZOLSAX2Catalog::conventionalFiles(""), "");
    EXPECT_EQ(ZOLSAX2Catalog::conventionalFiles("a.xml b.xml"), "a.xml b.xml");
    ZOLMemoryLog log;
    const ZOLSAX2Catalog none(ZOLSAX2Catalog::conventionalFiles(""), &log);
    EXPECT_EQ(none.fileCount(), 0u);
    EXPECT_EQ(masked(none.resolveExternal("-//Example//DTD Doc V1//EN", "")), "-");
    EXPECT_EQ(testsupport::render(log), "");
    // Without a log, warnings are dropped.
    const ZOLSAX2Catalog quiet((dir + "/missing.xml " + dir + "/catalog.xml").c_str(), nullptr);
    EXPECT_EQ(quiet.fileCount(), 6u);
}

TEST(ZOLSAX2Catalog, OffersItselfAsAResolver)
{
    ZOLMemoryLog log;
    const ZOLSAX2Catalog catalog((dir + "/catalog.xml").c_str(), &log);
    const ZOLSAX2Resolver resolver = &ZOLSAX2Catalog::resolve;
    void* context = const_cast<ZOLSAX2Catalog*>(&catalog);
    const auto ask = [&](int kind, const char* publicId, const char* systemId, const char* base) {
        ZOLSAX2Resolved answer{nullptr, "unchanged", 9};
        if (!resolver(context, kind, publicId, systemId, base, &answer))
            return std::string("declined");
        EXPECT_EQ(answer.content, nullptr);
        EXPECT_EQ(answer.contentLength, 0u);
        return masked(answer.location);
    };
    const std::vector<std::pair<std::string, std::string>> cases = {
        {ask(ZOLSAX2_RESOURCE_EXTERNAL_ID, "-//Example//DTD Doc V1//EN", "doc.dtd", nullptr), "@/dtd/doc-public.dtd"},
        {ask(ZOLSAX2_RESOURCE_EXTERNAL_ID, nullptr, "http://example.com/dtd/doc.dtd", nullptr), "@/dtd/doc.dtd"},
        // A relative system identifier, also as made absolute against its base.
        {ask(ZOLSAX2_RESOURCE_EXTERNAL_ID, nullptr, "doc.dtd", "http://example.com/dtd/article.xml"), "@/dtd/doc.dtd"},
        // A file: URL is answered as a local path.
        {ask(ZOLSAX2_RESOURCE_EXTERNAL_ID, nullptr, "http://example.com/rewrite/deep/x.dtd", nullptr),
         "/opt/deep/x.dtd"},
        {ask(ZOLSAX2_RESOURCE_URI, nullptr, "urn:example:namespace", nullptr), "/opt/schemas/namespace.xsd"},
        {ask(ZOLSAX2_RESOURCE_URI, nullptr, "doc.xsd", "http://example.com/schema/main.xsd"), "@/xsd/doc.xsd"},
        // A URI request falls back on the system entries; an external identifier does not
        // use uri entries.
        {ask(ZOLSAX2_RESOURCE_URI, nullptr, "http://example.com/dtd/doc.dtd", nullptr), "@/dtd/doc.dtd"},
        {ask(ZOLSAX2_RESOURCE_EXTERNAL_ID, nullptr, "http://example.com/schema/doc.xsd", nullptr), "declined"},
        {ask(ZOLSAX2_RESOURCE_EXTERNAL_ID, nullptr, nullptr, nullptr), "declined"},
        // Mirrors keep their scheme.
        {ask(ZOLSAX2_RESOURCE_EXTERNAL_ID, nullptr, "http://example.com/dtd/grouped.dtd", nullptr),
         "http://mirror.example.org/base/grouped.dtd"},
    };
    for (const auto& [actual, expected] : cases)
        EXPECT_EQ(actual, expected);
}

TEST(ZOLSAX2Catalog, OneCatalogServesManyThreads)
{
    ZOLMemoryLog log;
    const ZOLSAX2Catalog catalog((dir + "/catalog.xml").c_str(), &log);
    const std::string expected = expectedAll();
    std::vector<std::string> results(8);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < results.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round) {
                const std::string all = resolveAll(catalog);
                // Through the resolver too: each thread has its own answer buffer.
                ZOLSAX2Resolved answer{};
                const std::string system = "http://example.com/rewrite/t" + std::to_string(t) + ".dtd";
                ZOLSAX2Catalog::resolve(const_cast<ZOLSAX2Catalog*>(&catalog), ZOLSAX2_RESOURCE_EXTERNAL_ID, nullptr,
                                        system.c_str(), nullptr, &answer);
                const std::string mine = answer.location;
                std::this_thread::yield();
                if (all != expected || mine != dir + "/rewritten/t" + std::to_string(t) + ".dtd" ||
                    std::string(answer.location) != mine)
                    results[t] = "thread " + std::to_string(t) + " round " + std::to_string(round) + " differs";
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (const std::string& result : results)
        EXPECT_EQ(result, "");
}
