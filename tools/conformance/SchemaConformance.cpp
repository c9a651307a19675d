#include "SchemaConformance.h"

#include "Expectations.h"
#include "SchemaCatalogue.h"
#include "SuiteReader.h"
#include "XmlCatalogue.h"

#include <ZOLFile.h>
#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZOLMemoryLog.h>
#include <ZOLSAX2Validator.h>
#include <ZOLString.h>

#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <map>
#include <ostream>
#include <poll.h>
#include <set>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The catalog of --catalog, which every validator resolves through; null: none.
const ZOLSAX2Catalog* suiteCatalog = nullptr;

void useCatalog(ZOLSAX2Validator& validator)
{
    if (suiteCatalog != nullptr)
        validator.setResolver(&ZOLSAX2Catalog::resolve, const_cast<ZOLSAX2Catalog*>(suiteCatalog));
}

// Bounds of one test's child process. The largest schema of the suite that Xerces
// handles normally needs well under 100 MiB.
constexpr rlim_t MEMORY_LIMIT = rlim_t(1) << 30;
constexpr unsigned TIME_LIMIT_SECONDS = 20;

enum ExitCode { VALID = 0, INVALID = 1, OUT_OF_MEMORY = 3, MEMORY_DIFFERS = 4 };

// Every record of log: code, text and location data, one a line.
std::string records(const ZOLMemoryLog& log)
{
    std::string all;
    for (const ZOLLogEvent& event : log.getEvents()) {
        all += std::string(event.getCode().chars()) + " " + event.getText().chars();
        if (const ZOLLogLocation* where = event.getLocation())
            all += std::string(" @ ") + where->getSystemId().chars() + ":" + std::to_string(where->getLine()) + ":" +
                   std::to_string(where->getColumn());
        all += '\n';
    }
    return all;
}

// Hands out an instance's bytes through the validator's read function, a few at a time.
struct Chunks {
    const std::string& bytes;
    std::size_t at = 0;

    static long read(void* context, char* buffer, unsigned long size)
    {
        auto* c = static_cast<Chunks*>(context);
        const std::size_t n = std::min<std::size_t>({size, 1000, c->bytes.size() - c->at});
        c->bytes.copy(buffer, n, c->at);
        c->at += n;
        return static_cast<long>(n);
    }
};

// Validates the instance from a file, then from its bytes in memory and through a read
// function under the file's name; true when all give the same answer and the same records.
// log keeps the last one's.
bool sameFromMemory(ZOLSAX2Validator& validator, ZOLMemoryLog& log, const std::string& instance, bool& valid)
{
    const bool fromFile = validator.validate(ZOLFile(instance.c_str()));
    const std::string fileRecords = records(log);
    std::ifstream in(instance, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    log.clear();
    valid = validator.validateMemory(bytes.data(), bytes.size(), instance.c_str());
    if (valid != fromFile || records(log) != fileRecords)
        return false;
    log.clear();
    Chunks chunks{bytes};
    valid = validator.validateStream(Chunks::read, &chunks, instance.c_str());
    return valid == fromFile && records(log) == fileRecords;
}

// True when the child's resident memory is past the bound. Under AddressSanitizer only, where
// the address-space bound of the child cannot apply.
bool overResidentBound(pid_t child)
{
#ifdef __SANITIZE_ADDRESS__
    unsigned long size = 0;
    unsigned long resident = 0;
    std::ifstream("/proc/" + std::to_string(child) + "/statm") >> size >> resident;
    return resident * static_cast<unsigned long>(sysconf(_SC_PAGESIZE)) > MEMORY_LIMIT;
#else
    (void)child;
    return false;
#endif
}

// Waits for child to end. AddressSanitizer reserves terabytes of address space, so there
// the address-space bound cannot apply; instead the child is stopped once its resident
// memory passes the bound, and overMemory is set. Returns the wait status.
int waitBounded(pid_t child, bool& overMemory)
{
    int status = 0;
    overMemory = false;
#ifdef __SANITIZE_ADDRESS__
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (overResidentBound(child)) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            overMemory = true;
            break;
        }
        usleep(20000);
    }
#else
    waitpid(child, &status, 0);
#endif
    return status;
}

std::string utf8(const XMLCh* text)
{
    return ZOLString(text).chars();
}

// What the runner needs to know of a schema document: its target namespace and whether
// it declares identity constraints.
struct SchemaFacts {
    std::string targetNamespace;
    bool identityConstraints = false;
    std::vector<std::string> references; // included, imported and redefined documents
};

class SchemaScanner : public xercesc::DefaultHandler {
public:
    // For the document at path, against which its references are resolved.
    explicit SchemaScanner(std::string path) : path(std::move(path)) {}

    void startElement(const XMLCh* const uri, const XMLCh* const localname, const XMLCh* const,
                      const xercesc::Attributes& attrs) override
    {
        if (first) {
            const XMLCh* target = attrs.getValue(ZOLString("targetNamespace").wchars());
            facts.targetNamespace = target == nullptr ? std::string() : utf8(target);
            first = false;
        }
        const std::string name = utf8(localname);
        if (utf8(uri) != "http://www.w3.org/2001/XMLSchema")
            return;
        if (name == "key" || name == "keyref" || name == "unique")
            facts.identityConstraints = true;
        const XMLCh* location = attrs.getValue(ZOLString("schemaLocation").wchars());
        if ((name == "include" || name == "import" || name == "redefine") && location != nullptr)
            facts.references.push_back(XmlCatalogue::resolve(path, utf8(location)));
    }

    SchemaFacts facts;

private:
    std::string path;
    bool first = true;
};

class SchemaFactsCache {
public:
    const SchemaFacts& get(const std::string& path)
    {
        const auto known = cache.find(path);
        if (known != cache.end())
            return known->second;
        SchemaScanner scanner(path);
        // A malformed schema is the validator's business; what was read before the fault counts.
        try {
            reader.parse(path, scanner, true);
        } catch (...) {
        }
        return cache[path] = scanner.facts;
    }

    // True when the document or any document it includes, imports or redefines declares
    // an identity constraint.
    bool declaresIdentityConstraints(const std::string& path)
    {
        std::vector<std::string> pending{path};
        std::set<std::string> visited;
        while (!pending.empty()) {
            const std::string next = pending.back();
            pending.pop_back();
            if (!visited.insert(next).second)
                continue;
            const SchemaFacts& facts = get(next);
            if (facts.identityConstraints)
                return true;
            pending.insert(pending.end(), facts.references.begin(), facts.references.end());
        }
        return false;
    }

private:
    const SuiteReader reader;
    std::map<std::string, SchemaFacts> cache;
};

struct Result {
    std::string outcome; // valid, invalid, over-limits or crashed
    std::string firstMessage;
};

// Validates in a child process under the memory and time bounds; the child sends the text of
// its first log record through a pipe.
Result validateInChild(ZOLSAX2Validator& validator, ZOLMemoryLog& log, const std::string& targetNamespace,
                       const std::string& schema, const std::string& instance, std::ostream* trace,
                       bool fromMemory = false)
{
    int channel[2];
    if (pipe(channel) != 0)
        throw std::runtime_error("pipe failed");
    std::cout.flush();
    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        close(channel[0]);
#ifndef __SANITIZE_ADDRESS__
        const rlimit memory{MEMORY_LIMIT, MEMORY_LIMIT};
        setrlimit(RLIMIT_AS, &memory);
#endif
        alarm(TIME_LIMIT_SECONDS);
        log.clear();
        validator.addSchemaLocation(targetNamespace.c_str(), schema.c_str());
        bool valid = false;
        const bool same = !fromMemory || sameFromMemory(validator, log, instance, valid);
        if (!fromMemory)
            valid = validator.validate(ZOLFile(instance.c_str()));
        int code = !same ? MEMORY_DIFFERS : valid ? VALID : INVALID;
        std::string text;
        for (const ZOLLogEvent& event : log.getEvents()) {
            if (std::string(event.getCode().chars()) == "ZSAX_F0003")
                code = OUT_OF_MEMORY;
            if (trace != nullptr)
                *trace << event.getCode().chars() << " " << event.getText().chars() << '\n';
        }
        if (!log.getEvents().empty())
            text = log.getEvents().front().getText().chars();
        if (trace != nullptr)
            trace->flush();
        if (write(channel[1], text.data(), text.size()) < 0)
            code = INVALID;
        _exit(code);
    }
    close(channel[1]);
    // The child writes one record's text, well within the pipe's buffer, so it never waits
    // for this side to read.
    bool overMemory = false;
    const int status = waitBounded(child, overMemory);
    Result result;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
        result.firstMessage.append(buffer, static_cast<std::size_t>(n));
    close(channel[0]);
    if (WIFEXITED(status) && WEXITSTATUS(status) == VALID)
        result.outcome = "valid";
    else if (WIFEXITED(status) && WEXITSTATUS(status) == INVALID)
        result.outcome = "invalid";
    else if (WIFEXITED(status) && WEXITSTATUS(status) == MEMORY_DIFFERS)
        result.outcome = "memory-differs";
    // Which bound is hit first depends on the build and the machine's speed, so running
    // out of memory and running out of time are one outcome.
    else if (overMemory || (WIFEXITED(status) && WEXITSTATUS(status) == OUT_OF_MEMORY) ||
             (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM))
        result.outcome = "over-limits";
    else
        result.outcome = "crashed";
    return result;
}

// One test of the caching run, with the pair its validator is configured with.
struct CachedTest {
    std::string id;
    std::string targetNamespace;
    std::string schema;
    std::string instance;
};

// In a child process: validates each test from first on with one caching validator, which is
// given the test's pair whenever it differs from the one before, and writes "CODE
// LENGTH\nTEXT" to out for each (TEXT: the first record's text). Each test has the time bound
// to itself; memory is bounded for the whole child. Ends after a test that ran out of memory.
[[noreturn]] void validateCached(const std::vector<CachedTest>& tests, std::size_t first, bool secure, bool provisional,
                                 int out)
{
#ifndef __SANITIZE_ADDRESS__
    const rlimit memory{MEMORY_LIMIT, MEMORY_LIMIT};
    setrlimit(RLIMIT_AS, &memory);
#endif
    ZOLMemoryLog log;
    ZOLSAX2Validator validator(&log);
    validator.setSchemaCaching(true);
    validator.setSecureProcessing(secure);
    useCatalog(validator);
    // With provisional, a schema that loads cleanly with full checking serves the pair's
    // tests through a validator that does without it, as zolsax2 validate -j does.
    ZOLSAX2Validator unchecked(&log);
    unchecked.setSchemaCaching(true);
    unchecked.setSecureProcessing(secure);
    useCatalog(unchecked);
    unchecked.setSchemaFullChecking(false);
    bool sound = false;
    for (std::size_t i = first; i < tests.size(); ++i) {
        const CachedTest& test = tests[i];
        if (i == first || test.targetNamespace != tests[i - 1].targetNamespace || test.schema != tests[i - 1].schema) {
            validator.addSchemaLocation(test.targetNamespace.c_str(), test.schema.c_str());
            unchecked.addSchemaLocation(test.targetNamespace.c_str(), test.schema.c_str());
            alarm(TIME_LIMIT_SECONDS);
            sound = provisional && validator.loadSchemas();
            alarm(0);
        }
        log.clear();
        alarm(TIME_LIMIT_SECONDS);
        const bool valid = (sound ? unchecked : validator).validate(ZOLFile(test.instance.c_str()));
        alarm(0);
        int code = valid ? VALID : INVALID;
        for (const ZOLLogEvent& event : log.getEvents())
            if (std::string(event.getCode().chars()) == "ZSAX_F0003")
                code = OUT_OF_MEMORY;
        const std::string text = log.getEvents().empty() ? std::string() : log.getEvents().front().getText().chars();
        const std::string record = std::to_string(code) + " " + std::to_string(text.size()) + "\n" + text;
        for (std::size_t done = 0; done < record.size();) {
            const ssize_t n = write(out, record.data() + done, record.size() - done);
            if (n <= 0)
                _exit(2);
            done += static_cast<std::size_t>(n);
        }
        if (code == OUT_OF_MEMORY)
            break;
    }
    _exit(0);
}

// Runs the tests in order through caching validators in child processes: one child for all
// of them while it lasts, a new one for the tests after one that ran out of memory or time or
// crashed. Puts each test's result into results and answers the number of children.
int runCached(const std::vector<CachedTest>& tests, bool secure, bool provisional,
              std::map<std::string, Result>& results)
{
    int children = 0;
    std::size_t next = 0;
    while (next < tests.size()) {
        int channel[2];
        if (pipe(channel) != 0)
            throw std::runtime_error("pipe failed");
        std::cout.flush();
        const pid_t child = fork();
        if (child < 0)
            throw std::runtime_error("fork failed");
        if (child == 0) {
            close(channel[0]);
            validateCached(tests, next, secure, provisional, channel[1]);
        }
        ++children;
        close(channel[1]);
        // The child writes a record per test, so read as it goes; under AddressSanitizer watch
        // its resident memory meanwhile.
        std::string data;
        bool overMemory = false;
        pollfd readable{channel[0], POLLIN, 0};
        for (;;) {
            if (poll(&readable, 1, 20) > 0) {
                char buffer[4096];
                const ssize_t n = read(channel[0], buffer, sizeof buffer);
                if (n <= 0)
                    break;
                data.append(buffer, static_cast<std::size_t>(n));
            }
            if (overResidentBound(child)) {
                kill(child, SIGKILL);
                overMemory = true;
                break;
            }
        }
        close(channel[0]);
        int status = 0;
        waitpid(child, &status, 0);

        // The complete records, in order; a record cut short by the child's end does not count.
        bool stopped = false;
        for (std::size_t at = 0; at < data.size() && next < tests.size();) {
            const std::size_t lineEnd = data.find('\n', at);
            if (lineEnd == std::string::npos)
                break;
            int code = 0;
            std::size_t length = 0;
            std::istringstream(data.substr(at, lineEnd - at)) >> code >> length;
            if (lineEnd + 1 + length > data.size())
                break;
            Result& result = results[tests[next].id];
            result.firstMessage = data.substr(lineEnd + 1, length);
            result.outcome = code == VALID ? "valid" : code == INVALID ? "invalid" : "over-limits";
            at = lineEnd + 1 + length;
            ++next;
            stopped = code == OUT_OF_MEMORY;
        }
        if (stopped || next == tests.size())
            continue;
        // The child ended inside the test after the last one it reported.
        Result& result = results[tests[next].id];
        if (overMemory || (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM))
            result.outcome = "over-limits";
        else
            result.outcome = "crashed";
        ++next;
    }
    return children;
}

// Tests outside the population or skipped get a reason; the others run.
std::string exclusionOf(const SchemaTest& test, SchemaFactsCache& facts)
{
    if (test.schemas.empty())
        return "out of scope: no schema document";
    if (facts.get(test.schemas.front()).targetNamespace.empty())
        return "out of scope: first schema document has no target namespace";
    if (!test.skipReason.empty())
        return "skipped: " + test.skipReason;
    for (const std::string& schema : test.schemas)
        if (facts.declaresIdentityConstraints(schema))
            return "skipped: identity constraints (not checked by this validator)";
    return std::string();
}

struct Tally {
    int instanceTests = 0, run = 0, agree = 0;
    std::map<std::string, int> excluded;
};

std::string percent(int part, int whole)
{
    if (whole == 0)
        return "-";
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << 100.0 * part / whole << "%";
    return text.str();
}

const char* const HEADER =
    "Instance tests of the W3C XML Schema test suite (Microsoft, Sun and Boeing collections)\n"
    "whose answer through ZOLSAX2Validator differs from the expected validity.\n"
    "Outcomes: valid, invalid, over-limits (out of memory or time), crashed (each test runs in a\n"
    "child process bounded in memory and time). Reasons quote the first message logged.\n"
    "Regenerate with: ZOLSAX2Conformance schema --update (keeps the reasons of unchanged lines).";
const char* const SECURE_HEADER = "Secure processing on: regenerate with ZOLSAX2Conformance schema --secure --update.";

} // namespace

int SchemaConformance::run(const std::string& suiteDir, const std::string& expectedPath, bool update, bool caching,
                           bool provisional, bool secure, std::ostream& out, bool fromMemory)
{
    const std::string root = suiteDir + "/xsdtests/";
    const std::vector<SchemaTest> tests = SchemaCatalogue::read(suiteDir + "/xsdtests");
    SchemaFactsCache facts;
    std::map<std::string, int> seen;
    std::map<std::string, std::string> exclusions;
    for (const SchemaTest& test : tests) {
        if (seen[test.id]++ > 0)
            throw std::runtime_error("two instance tests named " + test.id);
        exclusions[test.id] = exclusionOf(test, facts);
    }

    // Each test that runs: without caching one validation per child process; with caching the
    // tests that share a namespace and schema document share one caching validator.
    std::map<std::string, Result> results;
    if (caching) {
        // Grouped by pair, each group in the suite's order; the groups in order of first use.
        std::vector<std::pair<std::string, std::string>> pairs;
        std::map<std::pair<std::string, std::string>, std::vector<CachedTest>> groups;
        for (const SchemaTest& test : tests) {
            if (!exclusions[test.id].empty())
                continue;
            const std::pair<std::string, std::string> pair{facts.get(test.schemas.front()).targetNamespace,
                                                           test.schemas.front()};
            std::vector<CachedTest>& group = groups[pair];
            if (group.empty())
                pairs.push_back(pair);
            group.push_back(CachedTest{test.id, pair.first, pair.second, test.instance});
        }
        std::vector<CachedTest> ordered;
        for (const auto& pair : pairs)
            ordered.insert(ordered.end(), groups[pair].begin(), groups[pair].end());
        const int children = runCached(ordered, secure, provisional, results);
        out << "schema caching: " << ordered.size() << " tests of " << pairs.size()
            << " namespace and schema pairs, through one caching validator configured anew for each pair (" << children
            << " child processes)\n";
    } else {
        ZOLMemoryLog log;
        ZOLSAX2Validator validator(&log);
        validator.setSecureProcessing(secure);
        useCatalog(validator);
        for (const SchemaTest& test : tests)
            if (exclusions[test.id].empty())
                results[test.id] = validateInChild(validator, log, facts.get(test.schemas.front()).targetNamespace,
                                                   test.schemas.front(), test.instance, nullptr, fromMemory);
    }

    Expectations actual;
    std::map<std::string, Tally> tallies;
    for (const SchemaTest& test : tests) {
        Tally& tally = tallies[test.collection];
        ++tally.instanceTests;
        const std::string& exclusion = exclusions[test.id];
        if (!exclusion.empty()) {
            ++tally.excluded[exclusion];
            continue;
        }
        ++tally.run;
        const Result& result = results[test.id];
        if (result.outcome == test.expected) {
            ++tally.agree;
            continue;
        }
        std::string message = result.firstMessage;
        for (std::size_t at; (at = message.find(root)) != std::string::npos;)
            message.erase(at, root.size());
        for (char& c : message)
            if (c == '\t' || c == '\n')
                c = ' ';
        actual.add(test.id, result.outcome,
                   "expected " + test.expected + (message.empty() ? std::string() : "; reader: " + message));
    }

    Tally total;
    out << tests.size() << " instance tests in " << root << "\n\n";
    for (const auto& [name, t] : tallies) {
        out << name << ": " << t.instanceTests << " instance tests, " << t.run << " run, " << t.agree << " agree ("
            << percent(t.agree, t.run) << ")\n";
        for (const auto& [reason, count] : t.excluded) {
            out << "    " << count << "  " << reason << '\n';
            total.excluded[reason] += count;
        }
        total.instanceTests += t.instanceTests;
        total.run += t.run;
        total.agree += t.agree;
    }
    out << "all: " << total.instanceTests << " instance tests, " << total.run << " run, " << total.agree << " agree ("
        << percent(total.agree, total.run) << ")\n";
    for (const auto& [reason, count] : total.excluded)
        out << "    " << count << "  " << reason << '\n';
    out << '\n';

    return actual.settle(expectedPath, secure ? std::string(HEADER) + "\n" + SECURE_HEADER : HEADER, update, out);
}

void SchemaConformance::setCatalog(const ZOLSAX2Catalog* catalog)
{
    suiteCatalog = catalog;
}

int SchemaConformance::show(const std::string& suiteDir, const std::string& id, bool secure, std::ostream& out)
{
    for (const SchemaTest& test : SchemaCatalogue::read(suiteDir + "/xsdtests")) {
        if (test.id != id)
            continue;
        SchemaFactsCache facts;
        ZOLMemoryLog log;
        ZOLSAX2Validator validator(&log);
        validator.setSecureProcessing(secure);
        useCatalog(validator);
        out << test.id << "\ninstance: " << test.instance << "\nschemas:";
        for (const std::string& schema : test.schemas)
            out << ' ' << schema;
        out << "\nexpected: " << test.expected << "\nexclusion: " << exclusionOf(test, facts) << "\n--- log\n";
        if (test.schemas.empty())
            return 0;
        const Result result = validateInChild(validator, log, facts.get(test.schemas.front()).targetNamespace,
                                              test.schemas.front(), test.instance, &out);
        out << "--- outcome: " << result.outcome << '\n';
        return 0;
    }
    out << "no test " << id << '\n';
    return 1;
}
