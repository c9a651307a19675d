#include "ToolTestSupport.h"

#include <ZOLException.h>
#include <ZOLFile.h>
#include <ZOLMemoryLog.h>
#include <ZOLSAX2Parser.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using tooltest::Result;
using tooltest::runTool;
using tooltest::with;

namespace {

const std::string catalogDir = ZOLSAX2_CATALOG_DIR;

// The identifiers a catalog names and the catalog files it chains to, read from its
// attributes: what resolve is compared on.
struct CatalogNames {
    // A delegate entry: the file it is in, its start string, the catalog it names.
    struct Delegate {
        std::string file;
        std::string prefix;
        std::string catalog;
    };
    std::vector<Delegate> delegates;
    std::set<std::string> files;
    std::vector<std::string> pending;
    std::set<std::string> ids;
    std::string current;

    static void onStart(void* userData, const char*, const char** attributes)
    {
        auto& names = *static_cast<CatalogNames*>(userData);
        for (const char** a = attributes; *a != nullptr; a += 2) {
            const std::string name = a[0];
            const std::string value = a[1];
            if (name == "catalog") {
                names.add(value);
                const char* prefix = attribute(attributes, "publicIdStartString");
                prefix = prefix != nullptr ? prefix : attribute(attributes, "systemIdStartString");
                prefix = prefix != nullptr ? prefix : attribute(attributes, "uriStartString");
                if (prefix != nullptr)
                    names.delegates.push_back({names.current, prefix, value});
            } else if (name == "publicId" || name == "systemId" || name == "name" || name == "publicIdStartString" ||
                       name == "systemIdStartString" || name == "uriStartString") {
                names.ids.insert(value);
                // A rewritten or delegated identifier, beyond the start string itself.
                if (name.find("StartString") != std::string::npos && value.find(' ') == std::string::npos)
                    names.ids.insert(value + (value.back() == '/' ? "" : "/") + "example.dtd");
            }
        }
    }

    static const char* attribute(const char** attributes, const std::string& name)
    {
        for (const char** a = attributes; *a != nullptr; a += 2) {
            if (name == a[0])
                return a[1];
        }
        return nullptr;
    }

    // True when one file has delegate entries to different catalogs for id, a shorter
    // start string before a longer one: xmlcatalog then tries the delegated catalogs in
    // the order of the entries, where the OASIS standard says the longest match first.
    bool delegationOrderMatters(const std::string& id) const
    {
        for (std::size_t i = 0; i < delegates.size(); ++i) {
            for (std::size_t j = i + 1; j < delegates.size(); ++j) {
                const Delegate& first = delegates[i];
                const Delegate& later = delegates[j];
                if (first.file == later.file && first.catalog != later.catalog &&
                    id.compare(0, first.prefix.size(), first.prefix) == 0 &&
                    id.compare(0, later.prefix.size(), later.prefix) == 0 && first.prefix.size() < later.prefix.size())
                    return true;
            }
        }
        return false;
    }

    // A catalog file named by a path or a file: URL, relative to the current one.
    void add(std::string file)
    {
        if (file.compare(0, 7, "file://") == 0)
            file = file.substr(7);
        if (file[0] != '/')
            file = current.substr(0, current.rfind('/') + 1) + file;
        if (files.insert(file).second)
            pending.push_back(file);
    }

    void readFrom(const std::string& root)
    {
        current = root;
        add(root);
        ZOLMemoryLog log;
        ZOLSAX2Parser parser(this, &log, onStart, nullptr, nullptr, nullptr);
        parser.setSecureProcessing(true);
        while (!pending.empty()) {
            current = pending.back();
            pending.pop_back();
            try {
                parser.parseFile(ZOLFile(current.c_str()));
            } catch (const ZOLException&) {
                // A catalog that cannot be read names nothing.
            }
        }
    }
};

// What xmlcatalog prints for catalog and ids, one answer per id: its last line for the id
// (a URI, or the "No entry for" line of its last lookup).
std::vector<std::string> xmlcatalog(const std::string& catalog, const std::vector<std::string>& ids)
{
    std::vector<std::string> args = {"xmlcatalog", catalog};
    args.insert(args.end(), ids.begin(), ids.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, "xmlcatalog", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    std::string output;
    char buffer[65536];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<std::size_t>(n));
    close(pipeEnds[0]);
    int status = 0;
    if (spawned == 0)
        waitpid(child, &status, 0);
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = output.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(output.substr(start, end - start));
    // A system identifier or URI that no system entry maps gets a second line: its URI lookup.
    std::vector<std::string> answers;
    std::size_t line = 0;
    for (const std::string& id : ids) {
        if (line < lines.size() && lines[line] == "No entry for SYSTEM " + id)
            ++line;
        answers.push_back(line < lines.size() ? lines[line++] : "<missing>");
    }
    return answers;
}

bool hasXmlcatalog()
{
    return std::system("xmlcatalog --help >/dev/null 2>&1; command -v xmlcatalog >/dev/null") == 0;
}

// The ids on which resolve and xmlcatalog differ, as "ID: resolve | xmlcatalog". Misses
// count as equal whatever either prints after "No entry for".
std::string differences(const std::string& catalog, const std::vector<std::string>& ids,
                        const CatalogNames* delegationOrderAllowed = nullptr)
{
    const Result ours = runTool(with({"resolve", "--catalog", catalog, "--"}, ids));
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = ours.out.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(ours.out.substr(start, end - start));
    const std::vector<std::string> theirs = xmlcatalog(catalog, ids);
    std::string diff;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::string mine = i < lines.size() ? lines[i] : "<missing>";
        const bool bothMiss = mine.rfind("No entry for", 0) == 0 && theirs[i].rfind("No entry for", 0) == 0;
        if (bothMiss || mine == theirs[i])
            continue;
        // Where the order of delegation decides, the answer must be a file that is there.
        const std::string path = mine.compare(0, 7, "file://") == 0 ? mine.substr(7) : mine;
        if (delegationOrderAllowed != nullptr && delegationOrderAllowed->delegationOrderMatters(ids[i]) &&
            access(path.c_str(), R_OK) == 0) {
            std::cout << "delegation order: " << ids[i] << ": " << mine << " | " << theirs[i] << "\n";
            continue;
        }
        diff += ids[i] + ": " + mine + " | " + theirs[i] + "\n";
    }
    return diff + ours.err;
}

} // namespace

TEST(ToolResolve, AgreesWithXmlcatalogOnDebiansCatalogs)
{
    if (!hasXmlcatalog())
        GTEST_SKIP() << "xmlcatalog (libxml2-utils) is not installed";
    if (access("/etc/xml/catalog", R_OK) != 0)
        GTEST_SKIP() << "/etc/xml/catalog is not there (xml-core, docbook-xml, docbook5-xml, w3c-sgml-lib)";
    CatalogNames names;
    names.readFrom("/etc/xml/catalog");
    const std::vector<std::string> ids(names.ids.begin(), names.ids.end());
    // Every file the packages install is reached, and they name many identifiers.
    EXPECT_GT(names.files.size(), 5u);
    EXPECT_GT(ids.size(), 500u);
    // Debian's catalogs delegate a few SVG identifiers both by a short and by a long start
    // string, the short one first: those may differ, each answer a file that is there.
    std::cout << ids.size() << " identifiers of " << names.files.size() << " catalog files compared\n";
    EXPECT_EQ(differences("/etc/xml/catalog", ids, &names), "");
}

TEST(ToolResolve, AgreesWithXmlcatalogOnTheTestCatalog)
{
    if (!hasXmlcatalog())
        GTEST_SKIP() << "xmlcatalog (libxml2-utils) is not installed";
    CatalogNames names;
    names.readFrom(catalogDir + "/catalog.xml");
    // URNs of public identifiers, which both unwrap.
    names.ids.insert("urn:publicid:-:Example:DTD+Doc+V1:EN");
    names.ids.insert("urn:publicid:-:Delegated:DTD+Short:EN");
    // Known difference: xmlcatalog tries delegated catalogs in the order of the delegate
    // entries; the OASIS standard says the longest match first (ZOLSAX2CatalogTest).
    names.ids.erase("-//Delegated//DTD Long Name//EN");
    // Known difference: xmlcatalog skips delegatePublic entries under prefer="system" also
    // when no system identifier is given; the standard applies them then.
    names.ids.erase("-//System Delegated//DTD X//EN");
    const std::vector<std::string> ids(names.ids.begin(), names.ids.end());
    EXPECT_GT(ids.size(), 20u);
    EXPECT_EQ(differences(catalogDir + "/catalog.xml", ids), "");
}

TEST(ToolResolve, PrintsOneLineEachAndFailsOnAMiss)
{
    const std::string catalog = catalogDir + "/catalog.xml";
    const Result r = runTool({"resolve", "--catalog", catalog, "-//Example//DTD Doc V1//EN",
                              "http://example.com/schema/doc.xsd", "-//Nobody//DTD None//EN", "http://nowhere/x.dtd"});
    EXPECT_EQ(r.out, catalogDir + "/dtd/doc-public.dtd\n" + catalogDir +
                         "/xsd/doc.xsd\n"
                         "No entry for PUBLIC -//Nobody//DTD None//EN\n"
                         "No entry for SYSTEM or URI http://nowhere/x.dtd\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(runTool({"resolve", "--catalog", catalog, "http://example.com/dtd/doc.dtd"}).status, 0);
}

TEST(ToolResolve, CatalogsComeFromTheOptionsTheVariableOrEtcXmlCatalog)
{
    const std::string catalog = catalogDir + "/catalog.xml";
    const std::string id = "http://example.com/dtd/next.dtd";
    const char* saved = std::getenv("XML_CATALOG_FILES");
    const std::string savedValue = saved == nullptr ? "" : saved;
    setenv("XML_CATALOG_FILES", (catalogDir + "/next.xml").c_str(), 1);
    const std::string fromVariable = runTool({"resolve", id}).out;
    const std::string fromOption = runTool({"resolve", "--catalog", catalog, "--catalog", catalog, id}).out;
    const Result none = runTool({"resolve", "--no-catalogs", id});
    setenv("XML_CATALOG_FILES", "", 1);
    const Result emptyVariable = runTool({"resolve", id});
    if (saved == nullptr)
        unsetenv("XML_CATALOG_FILES");
    else
        setenv("XML_CATALOG_FILES", savedValue.c_str(), 1);
    EXPECT_EQ(fromVariable, catalogDir + "/next/next.dtd\n");
    EXPECT_EQ(fromOption, catalogDir + "/next/next.dtd\n");
    EXPECT_EQ(none.out, "No entry for SYSTEM or URI " + id + "\n");
    EXPECT_EQ(emptyVariable.out, none.out);
}

TEST(ToolResolve, WarnsOfCatalogsItCannotReadAndUsesTheRest)
{
    const Result r = runTool({"resolve", "--catalog", catalogDir + "/broken.xml", "--catalog",
                              catalogDir + "/catalog.xml", "http://example.com/dtd/doc.dtd"});
    EXPECT_EQ(r.out, catalogDir + "/dtd/doc.dtd\n");
    EXPECT_NE(r.err.find("broken.xml:4:3: fatal error: expected end of tag 'system' [ZSAX_W0001]\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("broken.xml' ignored: it could not be parsed [ZSAX_W0001]\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.status, 0);
    // Whatever cannot be read is named. The root folder, because a folder beside the checkout
    // would be named relative to the current directory, and so differently in every clone.
    const Result odd = runTool({"resolve", "--catalog", "/", "--catalog", "/dev/null", "x"});
    EXPECT_EQ(odd.err, "/:0:0: warning: catalog '/' not read: Is a directory [ZSAX_W0001]\n"
                       "/dev/null:1:1: fatal error: An XML format error occurred during parsing the file (1:1): Please "
                       "make sure the file is in the XML format [ZSAX_W0001]\n"
                       "/dev/null:0:0: warning: catalog '/dev/null' ignored: it could not be parsed [ZSAX_W0001]\n");
}

TEST(ToolResolve, UsageErrors)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"resolve"}, "zolsax2: resolve needs at least one ID\n"},
        {{"resolve", "--catalog"}, "zolsax2: --catalog needs a value\n"},
        {{"resolve", "--no-catalogs", "--catalog", "c.xml", "x"},
         "zolsax2: --catalog and --no-catalogs exclude each other\n"},
        {{"messages", "--catalog", "c.xml"}, "zolsax2: unknown option --catalog for messages\n"},
        {{"resolve", "--net", "x"}, "zolsax2: unknown option --net for resolve\n"},
    };
    for (const auto& [args, message] : cases) {
        const Result r = runTool(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, message + tooltest::hint);
    }
}
