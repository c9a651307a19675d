#ifndef ZOLSAX2_TEST_SUPPORT_H
#define ZOLSAX2_TEST_SUPPORT_H

// Helpers shared by the test files: a trace of parser events, log rendering, a scratch
// directory, a change of the current directory and an assertion on ZOLException messages.

#include <ZOLException.h>
#include <ZOLFile.h>
#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZOLMemoryLog.h>
#include <ZOLSAX2Parser.h>
#include <ZOLSAX2Validator.h>
#include <ZOLString.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace testsupport {

// Compact event trace: (name a=1 b=2 ... )name "text" ?target data &skipped;
// Adjacent character runs are merged so traces do not depend on how the reader splits text.
struct Trace {
    std::string events;
    std::string pendingText;

    void flushText()
    {
        if (!pendingText.empty()) {
            events += "\"" + pendingText + "\"";
            pendingText.clear();
        }
    }
    std::string str()
    {
        flushText();
        return events;
    }

    static void onStart(void* userData, const char* name, const char** attributes)
    {
        auto* t = static_cast<Trace*>(userData);
        t->flushText();
        t->events += "(";
        t->events += name;
        for (const char** a = attributes; a[0] != nullptr; a += 2)
            t->events += std::string(" ") + a[0] + "=" + a[1];
        t->events += " ";
    }
    static void onEnd(void* userData, const char* name)
    {
        auto* t = static_cast<Trace*>(userData);
        t->flushText();
        t->events += ")";
        t->events += name;
    }
    static void onCharacters(void* userData, const char* text, int length)
    {
        static_cast<Trace*>(userData)->pendingText.append(text, static_cast<std::size_t>(length));
    }
    static void onPI(void* userData, const char* target, const char* data)
    {
        auto* t = static_cast<Trace*>(userData);
        t->flushText();
        t->events += std::string("?") + target + " " + data;
    }
    static void onSkipped(void* userData, const char* name)
    {
        auto* t = static_cast<Trace*>(userData);
        t->flushText();
        t->events += std::string("&") + name + ";";
    }
};

// A parser whose four callbacks write one trace, and its log.
struct Traced {
    Trace trace;
    ZOLMemoryLog log;
    ZOLSAX2Parser parser{&trace, &log, Trace::onStart, Trace::onEnd, Trace::onCharacters, Trace::onPI};
};

// One line per record: LEVEL CODE text @ ENTITY:LINE:COLUMN REPORTED, where ENTITY is the
// system identifier with base taken off its front, "-" when empty, and REPORTED the level
// the reader gave the problem; " @ none" for records without location data. Without
// located, each line ends after the text.
inline std::string renderLocated(const ZOLMemoryLog& log, const std::string& base, bool located = true)
{
    std::string out;
    for (const ZOLLogEvent& e : log.getEvents()) {
        out += ZOLLogEvent::levelName(e.getLevel());
        out += std::string(" ") + e.getCode().chars() + " " + e.getText().chars();
        const ZOLLogLocation* where = e.getLocation();
        if (!located || where == nullptr) {
            out += located ? " @ none\n" : "\n";
            continue;
        }
        std::string entity = where->getSystemId().chars();
        if (!base.empty() && entity.compare(0, base.size(), base) == 0)
            entity = entity.substr(base.size());
        out += " @ " + (entity.empty() ? "-" : entity) + ":" + std::to_string(where->getLine()) + ":" +
               std::to_string(where->getColumn()) + " " + ZOLLogEvent::levelName(where->getReportedLevel()) + "\n";
    }
    return out;
}

// "T" or "F" per document the validator validates, in order, then each record it logged
// with its location data (system identifiers relative to base). Clears the log first.
inline std::string validateEach(ZOLSAX2Validator& validator, ZOLMemoryLog& log, const std::vector<std::string>& docs,
                                const std::string& base)
{
    log.clear();
    std::string answers;
    for (const std::string& doc : docs)
        answers += validator.validate(ZOLFile(doc.c_str())) ? "T" : "F";
    return answers + "\n" + renderLocated(log, base);
}

// One line per record: LEVEL CODE text
inline std::string render(const ZOLMemoryLog& log)
{
    return renderLocated(log, "", false);
}

// A fresh directory under /tmp, removed with everything in it.
class ScratchDir {
public:
    ScratchDir()
    {
        char pattern[] = "/tmp/zolsax2-test-XXXXXX";
        path = mkdtemp(pattern);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir() { std::system(("rm -rf '" + path + "'").c_str()); }

    // The path of name in the directory.
    std::string file(const std::string& name) const { return path + "/" + name; }
    // Writes bytes to name in the directory and returns its path.
    std::string write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(file(name), std::ios::binary) << bytes;
        return file(name);
    }
    const std::string& getPath() const { return path; }

private:
    std::string path;
};

// Works in another current directory until destroyed.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& path)
    {
        if (getcwd(previous, sizeof previous) == nullptr || chdir(path.c_str()) != 0)
            throw std::runtime_error("cannot work in " + path);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;
    ~WorkingDirectory() { (void)!chdir(previous); }

private:
    char previous[PATH_MAX];
};

// The message of the ZOLException that statement throws, or "<no exception>".
template <typename F>
std::string thrownMessage(F statement)
{
    try {
        statement();
    } catch (const ZOLException& e) {
        return e.getMessage().chars();
    }
    return "<no exception>";
}

} // namespace testsupport

#endif
