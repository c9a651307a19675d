#include "XmlConformance.h"

#include "Expectations.h"
#include "XmlCatalogue.h"

#include <CanonicalWriter.h>
#include <ZOLException.h>
#include <ZOLFile.h>
#include <ZOLLogEvent.h>
#include <ZOLMemoryLog.h>
#include <ZOLSAX2Parser.h>

#include <algorithm>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <map>
#include <ostream>
#include <sstream>

namespace {

// Everything one parse of a test gives.
struct Result {
    std::string outcome; // accepted, rejected, output-differs or exception
    std::string canonical;
    std::string expectedCanonical;
    std::string log;
    std::string skipped;
};

// What the skipped-entity callback heard in the current parse ("&name;" each); the parser
// hands its callbacks the canonical writer, so this lives outside it.
std::string skippedHeard;

void onSkippedEntity(void*, const char* name)
{
    skippedHeard += std::string("&") + name + ";";
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The tests fall into one scope each; only "core" is XML 1.0, fifth edition, without
// external entities, which is what the parser fully implements.
std::string scopeOf(const XmlTest& test)
{
    const auto attribute = [&test](const char* name) {
        const auto found = test.attributes.find(name);
        return found == test.attributes.end() ? std::string() : found->second;
    };
    const std::string recommendation = attribute("RECOMMENDATION");
    if (recommendation.rfind("NS", 0) == 0)
        return "namespaces";
    if (attribute("VERSION") == "1.1" || recommendation == "XML1.1")
        return "xml-1.1";
    const std::string edition = attribute("EDITION");
    if (!edition.empty() && edition.find('5') == std::string::npos)
        return "editions-1-4";
    const std::string entities = attribute("ENTITIES");
    if (!entities.empty() && entities != "none")
        return "entities";
    return "core";
}

// What the suite asks of a non-validating parser; empty for error tests, where the suite
// allows either answer.
std::string idealOf(const XmlTest& test)
{
    if (test.type == "not-wf")
        return "rejected";
    if (test.type == "valid" || test.type == "invalid")
        return "accepted";
    return std::string();
}

// True when the document names an external DTD subset, which this parser never reads.
bool hasExternalSubset(const std::string& path)
{
    const std::string text = readFile(path);
    const std::size_t doctype = text.find("<!DOCTYPE");
    if (doctype == std::string::npos)
        return false;
    const std::string head = text.substr(doctype, text.find_first_of("[>", doctype) - doctype);
    return head.find("SYSTEM") != std::string::npos || head.find("PUBLIC") != std::string::npos;
}

std::string reasonFor(const XmlTest& test, const std::string& scope, const Result& result)
{
    // Secure processing refuses every external entity and logs a record that says so.
    if (result.outcome == "rejected" && test.type != "not-wf" && result.log.find("' refused (") != std::string::npos)
        return "secure processing refuses the external entity the test reads";
    if (idealOf(test).empty())
        return "error test: the suite allows either outcome; this is the reader's";
    if (result.outcome == "output-differs" && result.expectedCanonical.find("<!DOCTYPE") != std::string::npos)
        return "out/ file in the second canonical form (notation declarations): no callback reports them";
    if (result.outcome == "output-differs" && result.expectedCanonical.rfind("<?xml", 0) == 0)
        return "out/ file starts with an XML declaration, which no callback reports";
    if (scope == "namespaces")
        return "namespaces test: this parser does not process namespaces";
    if (test.type == "not-wf" && result.outcome == "accepted" && hasExternalSubset(test.path))
        return "the fault is in the external DTD subset or an entity it declares; this parser loads no external DTD";
    if (scope == "xml-1.1")
        return "XML 1.1 test";
    if (scope == "editions-1-4")
        return "applies to editions 1 to 4 only; the reader follows the fifth edition";
    if (scope == "entities")
        return "needs the external DTD or external entities (ENTITIES=" + test.attributes.at("ENTITIES") +
               "); this parser loads no external DTD";
    return "unexplained: give the reason";
}

class Runner {
public:
    Runner(bool secure, bool skippedEntities)
        : writer(canonical), parser(&writer, &log, CanonicalWriter::startElement, CanonicalWriter::endElement,
                                    CanonicalWriter::characters, CanonicalWriter::processingInstruction)
    {
        parser.setSecureProcessing(secure);
        if (skippedEntities)
            parser.setSkippedEntityCallback(onSkippedEntity);
    }

    Result parse(const XmlTest& test)
    {
        Result result;
        log.clear();
        skippedHeard.clear();
        canonical.str(std::string());
        canonical.clear();
        try {
            parser.parseFile(ZOLFile(test.path.c_str()));
            result.outcome = "accepted";
        } catch (const ZOLException& e) {
            const std::string message = e.getMessage().chars();
            result.outcome = message.rfind("[ZSAX_F0005]", 0) == 0 ? "rejected" : "exception";
        }
        result.canonical = canonical.str();
        if (result.outcome == "accepted" && !test.output.empty()) {
            result.expectedCanonical = readFile(test.output);
            if (result.canonical != result.expectedCanonical)
                result.outcome = "output-differs";
        }
        for (const ZOLLogEvent& event : log.getEvents())
            result.log += std::string(event.getCode().chars()) + " " + event.getText().chars() + "\n";
        result.skipped = skippedHeard;
        return result;
    }

private:
    std::ostringstream canonical;
    CanonicalWriter writer;
    ZOLMemoryLog log;
    ZOLSAX2Parser parser;
};

// Counts of one group of tests, as the documentation reports them.
struct Tally {
    int notWf = 0, rejected = 0, valid = 0, validAccepted = 0, invalid = 0, invalidAccepted = 0;
    int outputs = 0, outputsEqual = 0, errors = 0;

    void count(const XmlTest& test, const Result& result)
    {
        const bool accepted = result.outcome == "accepted" || result.outcome == "output-differs";
        if (test.type == "not-wf") {
            ++notWf;
            rejected += result.outcome == "rejected";
        } else if (test.type == "valid") {
            ++valid;
            validAccepted += accepted;
        } else if (test.type == "invalid") {
            ++invalid;
            invalidAccepted += accepted;
        } else {
            ++errors;
        }
        if (!test.output.empty() && test.type != "not-wf") {
            ++outputs;
            outputsEqual += result.outcome == "accepted";
        }
    }
};

void printTallies(const std::map<std::string, Tally>& tallies, const std::string& title, std::ostream& out)
{
    out << std::left << std::setw(16) << title << std::right << std::setw(16) << "not-wf rejected" << std::setw(16)
        << "valid accepted" << std::setw(18) << "invalid accepted" << std::setw(16) << "output equal" << std::setw(8)
        << "error" << '\n';
    const auto fraction = [](int part, int whole) { return std::to_string(part) + "/" + std::to_string(whole); };
    for (const auto& [name, t] : tallies)
        out << std::left << std::setw(16) << name << std::right << std::setw(16) << fraction(t.rejected, t.notWf)
            << std::setw(16) << fraction(t.validAccepted, t.valid) << std::setw(18)
            << fraction(t.invalidAccepted, t.invalid) << std::setw(16) << fraction(t.outputsEqual, t.outputs)
            << std::setw(8) << t.errors << '\n';
}

const char* const HEADER = "Tests of the W3C XML conformance suite whose result through ZOLSAX2Parser differs from\n"
                           "what the suite asks of a non-validating parser: not-wf rejected, valid and invalid\n"
                           "accepted, the canonical form equal to the out/ file. Error tests, where either answer\n"
                           "conforms, are pinned to the reader's answer.\n"
                           "Outcomes: accepted, rejected, output-differs, exception.\n"
                           "Regenerate with: ZOLSAX2Conformance xml --update (keeps the reasons of unchanged lines).";
const char* const SECURE_HEADER = "Secure processing on: regenerate with ZOLSAX2Conformance xml --secure --update.";

} // namespace

int XmlConformance::run(const std::string& suiteDir, const std::string& expectedPath, bool update, bool secure,
                        bool skippedEntities, std::ostream& out)
{
    const std::string root = suiteDir + "/xmlconf/";
    const std::vector<XmlTest> tests = XmlCatalogue::read(root + "xmlconf.xml");
    // The reader names files by their normalised absolute paths, whatever root looks like.
    const auto collectionOf = [](const std::string& path) {
        const std::size_t start = path.rfind("/xmlconf/") + 9;
        return path.substr(start, path.find('/', start) - start);
    };
    Runner runner(secure, skippedEntities);
    Expectations actual;
    int skipped = 0;
    std::map<std::string, Tally> byCollection, byScope;
    Tally total;
    for (const XmlTest& test : tests) {
        const Result result = runner.parse(test);
        skipped += static_cast<int>(std::count(result.skipped.begin(), result.skipped.end(), '&'));
        const std::string scope = scopeOf(test);
        byCollection[collectionOf(test.path)].count(test, result);
        byScope[scope].count(test, result);
        total.count(test, result);
        if (result.outcome != idealOf(test))
            actual.add(test.id, result.outcome, reasonFor(test, scope, result));
    }

    out << tests.size() << " tests in " << root << "xmlconf.xml\n";
    if (skippedEntities)
        out << "with a skipped-entity callback set, which heard " << skipped << " entities\n";
    out << '\n';
    printTallies(byCollection, "collection", out);
    out << '\n';
    printTallies(byScope, "scope", out);
    out << '\n';
    printTallies({{"all", total}}, "", out);
    out << '\n';

    return actual.settle(expectedPath, secure ? std::string(HEADER) + "\n" + SECURE_HEADER : HEADER, update, out);
}

int XmlConformance::show(const std::string& suiteDir, const std::string& id, bool secure, bool skippedEntities,
                         std::ostream& out)
{
    for (const XmlTest& test : XmlCatalogue::read(suiteDir + "/xmlconf/xmlconf.xml")) {
        if (test.id != id)
            continue;
        Runner runner(secure, skippedEntities);
        const Result result = runner.parse(test);
        out << test.id << " " << test.type << " " << scopeOf(test) << " " << test.path
            << "\noutcome: " << result.outcome << "\n--- canonical\n"
            << result.canonical << "\n--- out/ file " << test.output << "\n"
            << result.expectedCanonical << "\n--- log\n"
            << result.log;
        if (skippedEntities)
            out << "--- skipped entities\n" << result.skipped << '\n';
        return 0;
    }
    out << "no test " << id << '\n';
    return 1;
}
