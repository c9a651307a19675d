#include "SkippedEntityEquivalence.h"

#include "XmlCatalogue.h"

#include <ZOLException.h>
#include <ZOLFile.h>
#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZOLMemoryLog.h>
#include <ZOLSAX2Parser.h>

#include <cstring>
#include <memory>
#include <ostream>
#include <sstream>
#include <vector>

namespace {

// Everything one parse gives, one line per event or record.
struct Record {
    ZOLSAX2Parser* parser = nullptr;
    std::string events;
    std::string skipped;
    int skippedCount = 0;

    void add(std::string& to, const std::string& line)
    {
        to += line;
        to += " @";
        to += parser->getPosition().chars();
        to += '\n';
    }

    static void onStart(void* u, const char* name, const char** attributes)
    {
        std::string line = std::string("(") + name;
        for (const char** a = attributes; a[0] != nullptr; a += 2)
            line += std::string(" ") + a[0] + "=\"" + a[1] + "\"";
        auto* r = static_cast<Record*>(u);
        r->add(r->events, line);
    }
    static void onEnd(void* u, const char* name)
    {
        auto* r = static_cast<Record*>(u);
        r->add(r->events, std::string(")") + name);
    }
    static void onCharacters(void* u, const char* text, int length)
    {
        auto* r = static_cast<Record*>(u);
        std::string line = "\"" + std::string(text, static_cast<std::size_t>(length)) + "\"";
        if (std::strlen(text) != static_cast<std::size_t>(length))
            line += " length " + std::to_string(length);
        r->add(r->events, line);
    }
    static void onPI(void* u, const char* target, const char* data)
    {
        auto* r = static_cast<Record*>(u);
        r->add(r->events, std::string("?") + target + " " + data);
    }
    static void onSkipped(void* u, const char* name)
    {
        auto* r = static_cast<Record*>(u);
        r->add(r->skipped, std::string("&") + name + ";");
        ++r->skippedCount;
    }
};

struct Result {
    std::string events;
    std::string log;
    std::string end;
    std::string skipped;
    int skippedCount = 0;
};

// One parser in one configuration, reused for every document as a caller would.
class Subject {
public:
    Subject(bool secure, bool listen)
        : parser(&record, &log, Record::onStart, Record::onEnd, Record::onCharacters, Record::onPI)
    {
        record.parser = &parser;
        parser.setSecureProcessing(secure);
        if (listen)
            parser.setSkippedEntityCallback(Record::onSkipped);
    }

    Result parse(const std::string& path)
    {
        record = Record();
        record.parser = &parser;
        log.clear();
        Result result;
        try {
            parser.parseFile(ZOLFile(path.c_str()));
            result.end = "accepted";
        } catch (const ZOLException& e) {
            result.end = e.getMessage().chars();
        }
        for (const ZOLLogEvent& e : log.getEvents()) {
            result.log += std::string(ZOLLogEvent::levelName(e.getLevel())) + " " + e.getCode().chars() + " " +
                          e.getText().chars();
            if (const ZOLLogLocation* where = e.getLocation())
                result.log += std::string(" @ ") + where->getSystemId().chars() + ":" +
                              std::to_string(where->getLine()) + ":" + std::to_string(where->getColumn()) + " " +
                              ZOLLogEvent::levelName(where->getReportedLevel());
            result.log += '\n';
        }
        result.events = record.events;
        result.skipped = record.skipped;
        result.skippedCount = record.skippedCount;
        return result;
    }

private:
    Record record;
    ZOLMemoryLog log;
    ZOLSAX2Parser parser;
};

// The first line where a and b differ, from both.
std::string firstDifference(const std::string& a, const std::string& b)
{
    std::istringstream left(a);
    std::istringstream right(b);
    std::string l;
    std::string r;
    for (int line = 1;; ++line) {
        const bool moreLeft = static_cast<bool>(std::getline(left, l));
        const bool moreRight = static_cast<bool>(std::getline(right, r));
        if (!moreLeft && !moreRight)
            return std::string();
        if (!moreLeft || !moreRight || l != r)
            return "line " + std::to_string(line) + ": without [" + (moreLeft ? l : "end") + "] with [" +
                   (moreRight ? r : "end") + "]";
    }
}

} // namespace

int SkippedEntityEquivalence::run(const std::string& suiteDir, std::ostream& out)
{
    std::vector<std::pair<std::string, std::string>> documents;
    for (const XmlTest& test : XmlCatalogue::read(suiteDir + "/xmlconf/xmlconf.xml"))
        documents.emplace_back(test.id, test.path);
    return compare(documents, out);
}

int SkippedEntityEquivalence::compare(const std::vector<std::pair<std::string, std::string>>& documents,
                                      std::ostream& out)
{
    int differences = 0;
    for (bool secure : {false, true}) {
        Subject plain(secure, false);
        Subject listening(secure, true);
        int withSkipped = 0;
        int skipped = 0;
        std::string listing;
        for (const auto& [id, path] : documents) {
            const Result without = plain.parse(path);
            const Result with = listening.parse(path);
            if (with.skippedCount > 0) {
                ++withSkipped;
                skipped += with.skippedCount;
                std::string names = with.skipped;
                for (char& c : names)
                    c = c == '\n' ? ' ' : c;
                listing += "  " + id + ": " + names + "\n";
            }
            const char* const parts[] = {"events", "log", "end"};
            const std::string* const left[] = {&without.events, &without.log, &without.end};
            const std::string* const right[] = {&with.events, &with.log, &with.end};
            for (int i = 0; i < 3; ++i) {
                if (*left[i] == *right[i])
                    continue;
                ++differences;
                out << "DIFFERS " << (secure ? "secure " : "default ") << id << " " << parts[i] << " "
                    << firstDifference(*left[i], *right[i]) << '\n';
            }
        }
        out << (secure ? "secure" : "default") << " mode: " << documents.size() << " documents, " << skipped
            << " skipped entities reported in " << withSkipped << " of them\n"
            << listing;
    }
    out << differences << " differences between the parses without and with the skipped-entity callback\n";
    return differences == 0 ? 0 : 1;
}
