// Records of the tool: file, position and severity from the location data the library
// attaches, a fallback for records without it, and names the user knows. (Problems of a
// shared file printed once: the validate goldens.)
#include <DiagnosticLog.h>
#include <SourceNames.h>

#include <ZOLException.h>
#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using zolsax2::DiagnosticLog;

// A reader record at file:line:column, classed by the reader as reported.
void logAt(DiagnosticLog& log, const char* file, long line, long column, int reported, const std::string& text)
{
    ZOLLogEvent event(("(99:99): " + text).c_str(), "ZSAX_W0001", ZOLLogEvent::LEVEL_WARNING, "");
    event.setLocation(ZOLLogLocation(file, line, column, reported));
    log.logEvent(event);
}

std::string printed(const DiagnosticLog& log)
{
    zolsax2::SourceNames names("in.xml");
    names.add("/abs/in.xml", "in.xml");
    names.add("/abs/po.xsd", "schemas/po.xsd");
    std::string out;
    log.print(out, names);
    return out;
}

} // namespace

TEST(DiagnosticLog, FileLineColumnAndSeverityComeFromTheLocation)
{
    DiagnosticLog log;
    logAt(log, "/abs/in.xml", 2, 5, ZOLLogEvent::LEVEL_WARNING, "a remark");
    logAt(log, "/abs/po.xsd", 1510, 42, ZOLLogEvent::LEVEL_ERROR, "element 'info' declared more than once");
    logAt(log, "", 0, 0, ZOLLogEvent::LEVEL_FATAL, "unable to open primary document entity '/abs/in.xml'");
    logAt(log, "/abs/po.xsd", 0, 0, ZOLLogEvent::LEVEL_ERROR, "schema '/abs/po.xsd' could not be loaded");
    // Without location data: the text's position and the catalogue's level.
    log.logEvent(ZOLLogEvent("(7:3): old style", "ZSAX_W0001", ZOLLogEvent::LEVEL_WARNING, ""));
    log.logEvent(ZOLLogEvent("Xerces XMLException: gone", "ZSAX_F0004", ZOLLogEvent::LEVEL_FATAL, ""));
    log.addException(ZOLException("[ZSAX_F0003] Xerces OutOfMemoryException"));
    EXPECT_EQ(printed(log), "in.xml:2:5: warning: a remark [ZSAX_W0001]\n"
                            "schemas/po.xsd:1510:42: error: element 'info' declared more than once [ZSAX_W0001]\n"
                            "in.xml:0:0: fatal error: unable to open primary document entity 'in.xml' [ZSAX_W0001]\n"
                            "schemas/po.xsd:0:0: error: schema 'schemas/po.xsd' could not be loaded [ZSAX_W0001]\n"
                            "in.xml:7:3: warning: old style [ZSAX_W0001]\n"
                            "in.xml:0:0: fatal error: Xerces XMLException: gone [ZSAX_F0004]\n"
                            "in.xml:0:0: fatal error: Xerces OutOfMemoryException [ZSAX_F0003]\n");
}

TEST(DiagnosticLog, OtherFilesAreNamedFromTheCurrentDirectory)
{
    const std::string here = std::filesystem::current_path().string();
    const std::string parent = std::filesystem::current_path().parent_path().string();
    DiagnosticLog log;
    logAt(log, (here + "/sub/ent.xml").c_str(), 3, 3, ZOLLogEvent::LEVEL_FATAL, "in a subfolder");
    logAt(log, ("file://" + here + "/a%20b.dtd").c_str(), 1, 2, ZOLLogEvent::LEVEL_WARNING, "a file URL");
    logAt(log, "/nowhere-near/x.ent", 1, 1, ZOLLogEvent::LEVEL_WARNING, "only the root in common");
    logAt(log, "http://example.org/x.xsd", 4, 1, ZOLLogEvent::LEVEL_ERROR, "a URL");
    std::string expected = "sub/ent.xml:3:3: fatal error: in a subfolder [ZSAX_W0001]\n"
                           "a b.dtd:1:2: warning: a file URL [ZSAX_W0001]\n"
                           "/nowhere-near/x.ent:1:1: warning: only the root in common [ZSAX_W0001]\n"
                           "http://example.org/x.xsd:4:1: error: a URL [ZSAX_W0001]\n";
    if (parent != "/") {
        logAt(log, (parent + "/sibling.ent").c_str(), 5, 6, ZOLLogEvent::LEVEL_ERROR, "next door");
        expected += "../sibling.ent:5:6: error: next door [ZSAX_W0001]\n";
    }
    EXPECT_EQ(printed(log), expected);
}

TEST(DiagnosticLog, OneRecordOneLineWithTheNamesTheUserGave)
{
    DiagnosticLog log;
    logAt(log, "/abs/in\nput.xml", 1, 1, ZOLLogEvent::LEVEL_FATAL,
          "unable to open '/abs/in\nput.xml' or \"/abs/in\nput.xml\"; /abs/in\nput.xml\x1b");
    log.addException(ZOLException("broken\r\nreader"));
    zolsax2::SourceNames names("in\nput.xml");
    names.add("/abs/in\nput.xml", "in\nput.xml");
    std::string out;
    log.print(out, names);
    EXPECT_EQ(out, "in\\nput.xml:1:1: fatal error: unable to open 'in\\nput.xml' or \"in\\nput.xml\"; "
                   "/abs/in\\nput.xml\\x1b [ZSAX_W0001]\n"
                   "in\\nput.xml:0:0: fatal error: broken\\r\\nreader\n");
}
